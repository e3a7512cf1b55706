#include "GtkTestMain.h"

int main(int argc, char** argv) { return kivari::testing::runTestsInApplication(argc, argv, "org.kivari.GuiTests"); }
