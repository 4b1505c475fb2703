// A main window on a document with a profile of its own, whose message boxes are answered by
// the test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/document.h"
#include "base/profile.h"
#include "qt/window/main_window.h"
#include "qt/window/qt_front_end.h"
#include "test_util.h"

namespace plikatra::test {

class AnsweringFrontEnd : public QtFrontEnd {
public:
    std::vector<std::string> texts;
    std::deque<Answer> answers;  // front first; Ok/Yes when empty

    void message(const std::string& text, const std::string&, MessageIcon) override { texts.push_back(text); }
    Answer ask(const std::string& text, const std::string&, Buttons buttons, MessageIcon) override {
        texts.push_back(text);
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
};

class WindowTest : public testing::Test {
protected:
    WindowTest() {
        setenv("PLIKATRA_PROFILE", (dir.path() + "/plikatra.ini").c_str(), 1);
        window = std::make_unique<MainWindow>(doc, frontEnd, profilePath());
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    ~WindowTest() override {
        window.reset();
        unsetenv("PLIKATRA_PROFILE");
    }
    void run(CommandId id) {
        window->run(id);
        QApplication::processEvents();
    }

    TempDir dir;
    Settings settings;
    AnsweringFrontEnd frontEnd;
    Document doc{frontEnd, settings};
    std::unique_ptr<MainWindow> window;
};

inline const std::string kExampleBox = std::string(PLIKATRA_SOURCE_DIR) + "/examples/box.obj";

}  // namespace plikatra::test
