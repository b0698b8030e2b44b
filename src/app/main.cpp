// norvik: the desktop configuration program.
#include "app/app_main.h"

int main(int argc, char** argv) {
  return norvik::app::RunApplication(argc, argv);
}
