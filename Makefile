# Every target installs what it is missing first, so a fresh Debian 12 machine needs nothing else.
BUILD ?= build
SANITIZE_BUILD ?= $(BUILD)-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DAMBREL_WERROR=ON
endif
SANITIZERS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
# -O1 and line tables only: enough for readable reports, and cheaper to compile than the -O2 -g of the main build.
SANITIZE_CXX_FLAGS := -O1 -g1 $(SANITIZERS)
FORMATTED := git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp'

.PHONY: deps format-tool configure build test sanitize run bench format check-format clean

deps:
	@scripts/install-deps

# The layout needs clang-format and nothing else of the dependency set.
format-tool:
	@scripts/install-deps clang-format

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && AMBREL_TEST_STRICT=1 ctest --output-on-failure -j $(JOBS)

# The core and engine tests once more under AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of
# their own. Leaks are not reported: Qt, fontconfig and Tesseract keep process-lifetime allocations by design.
sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Sanitize $(CMAKE_FLAGS) -DAMBREL_WERROR=OFF \
		"-DCMAKE_CXX_FLAGS=$(SANITIZE_CXX_FLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZERS)"
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target core_engine_tests
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -L 'core|engines'

run: build
	./$(BUILD)/ambrel

bench: build
	bench/run-all $(BUILD)

format: format-tool
	$(FORMATTED) | xargs -r clang-format -i

check-format: format-tool
	$(FORMATTED) | xargs -r clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
