#pragma once
// For widget tests under GoogleTest: one QApplication for the whole run.
#include <QApplication>

namespace vimbra {

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);  // kept for the whole run
}

}  // namespace vimbra
