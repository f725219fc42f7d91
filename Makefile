# Every target installs what is missing first, so a fresh Debian 12 machine needs nothing else.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DAMBREL_WERROR=ON
endif

.PHONY: deps configure build test run bench format check-format clean

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	./$(BUILD)/ambrel

bench: build
	bench/run-all $(BUILD)

format: deps
	git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' | xargs -r clang-format -i

check-format: deps
	git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' | xargs -r clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD)
