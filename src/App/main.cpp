#include "App/KivariDesktopApp.h"

int main() {
  kivari::KivariDesktopApp app;
  return app.run();
}
