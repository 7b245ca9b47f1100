// trov-gui: the desktop application.
#include "ui/qt/GuiApplication.h"

int main(int argc, char** argv) {
    return trov::RunGui(argc, argv);
}
