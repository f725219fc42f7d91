// The tray application as `ambrel` runs it when the command line names no command, for the end-to-end tests.
#include "app/qt/Application.h"

int main(int argc, char** argv)
{
    return Application::run(argc, argv);
}
