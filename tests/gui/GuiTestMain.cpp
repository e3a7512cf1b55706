#include "GtkTestMain.h"
#include "Shell/WebCellModule.h"

int main(int argc, char** argv) {
  // The web cells are linked in rather than opened as the program's module.
  kivari::provideWebCells({kivari_web_cells_v2(), {}});
  return kivari::testing::runTestsInApplication(argc, argv, "org.kivari.GuiTests");
}
