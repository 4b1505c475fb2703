// A front end that shows nothing and never cancels, so that benchmarks measure the work alone.
#pragma once

#include "base/fonts.h"
#include "base/progress.h"
#include "base/read_result.h"
#include "base/ui.h"
#include "development/unfold_engine.h"

namespace plikatra::bench {

class SilentProgress : public ProgressFrontEnd {
public:
    void shown(const std::string&, bool) override {}
    void barMoved(int, const std::string&) override {}
    void textChanged(const std::string&) override {}
    bool pump(bool) override { return false; }
    void hidden() override {}
    void destroyed() override {}
};

class SilentUi : public Ui {
public:
    void message(const std::string&, const std::string&, MessageIcon) override {}
    Answer ask(const std::string&, const std::string&, Buttons, MessageIcon) override {
        return Answer::Ok;
    }
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }

private:
    SilentProgress progress_;
    SystemFonts fonts_;
};

// Unfolding that reports no attachments.
class SilentUnfold : public UnfoldProgress {
public:
    void beforeAttach(const Model&) override {}
    void afterAttach(const Model&) override {}
};

}  // namespace plikatra::bench
