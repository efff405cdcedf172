#pragma once
// A Qt application for the targets that build text documents: fonts need one.

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

namespace qb::fuzz {

inline void StartGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "quillbox-fuzz";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace qb::fuzz
