#pragma once

#include <QGuiApplication>

// Fonts and a few other Qt types want an application object; one offscreen
// GUI application serves every input.
inline void ensureFuzzApp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}
