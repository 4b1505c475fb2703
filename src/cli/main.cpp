// plikatra-cli: the core of the desktop program, driven from a shell.
#include <CLI/CLI.hpp>

#include <csignal>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/profile.h"
#include "base/settings.h"
#include "base/terminal_progress.h"
#include "base/version.h"
#include "cli/commands.h"
#include "cli/diagnostic_summary.h"
#include "development/layout_dialog.h"

namespace {

constexpr const char* kPaperHelp =
    "paper: 0 A4 portrait, 1 A4 landscape, 2 A3 portrait, 3 A3 landscape, 4 B5 portrait, "
    "5 B5 landscape, 6 B4 portrait, 7 B4 landscape";

// Ctrl+C stops a long load or unfolding the way the Cancel button does (exit status 2); a
// second one ends the process at once.
extern "C" void onInterrupt(int) {
    plikatra::requestTerminalCancel();
    std::signal(SIGINT, SIG_DFL);
}

// Applies --set KEY=VALUE overrides for this run; false with a message on a bad one.
bool applySets(plikatra::Settings& settings, const std::vector<std::string>& sets) {
    for (const std::string& kv : sets) {
        const size_t eq = kv.find('=');
        if (eq == std::string::npos) {
            std::cerr << "plikatra-cli: --set expects KEY=VALUE, got \"" << kv << "\"" << std::endl;
            return false;
        }
        std::string error;
        if (!plikatra::setSettingByName(settings, kv.substr(0, eq), kv.substr(eq + 1), &error)) {
            std::cerr << "plikatra-cli: " << error << std::endl;
            return false;
        }
    }
    return true;
}

// A number greater than zero, said in words rather than with the double's range.
const CLI::Validator kPositive(
    [](std::string& text) -> std::string {
        double v = 0;
        if (!CLI::detail::lexical_cast(text, v) || !(v > 0)) return "must be a number greater than 0";
        return {};
    },
    "POSITIVE");

// The assembled size, with the layout dialog's own range and message.
const CLI::Validator kAssembledSize(
    [](std::string& text) -> std::string {
        double v = 0;
        if (!CLI::detail::lexical_cast(text, v) || !(v >= 0.1 && v <= 200))
            return plikatra::kMsgAssembledSizeRange;
        return {};
    },
    "0.1..200");

// "W" or "WxH", whole numbers of pixels.
const CLI::Validator kBitmapSize(
    [](std::string& text) -> std::string {
        const auto digits = [](const std::string& s) {
            return !s.empty() && s.size() <= 5 && s.find_first_not_of("0123456789") == std::string::npos;
        };
        const size_t x = text.find('x');
        if (!digits(text.substr(0, x)) || (x != std::string::npos && !digits(text.substr(x + 1))))
            return "must be WIDTH or WIDTHxHEIGHT in pixels";
        return {};
    },
    "WxH");

void addOutputs(CLI::App* sub, plikatra::OutputArgs& o) {
    sub->add_option("--out", o.out, "write the work file");
    sub->add_option("--eps", o.eps, "write the development as EPS");
    sub->add_option("--pdf", o.pdf, "write the printed pages as PDF");
    sub->add_option("--svg", o.svg, "write the sheet as SVG in millimetres, one group per line kind");
    sub->add_option("--emf", o.emf, "write the development as an enhanced metafile");
    CLI::Option* bmp = sub->add_option("--bmp", o.bmp, "write the development as a 24-bit bitmap, with textures");
    sub->add_option("--bmp-size", o.bmpSize,
                    "with --bmp: the bitmap's size in pixels, 1 to 4096 a side (WIDTH alone keeps the "
                    "proportion; default: 72 pixels per inch, cut down to 4096)")
        ->check(kBitmapSize)
        ->needs(bmp);
    CLI::Option* png = sub->add_option(
        "--png", o.png, "write the development as a PNG picture, with textures and the resolution it prints at");
    sub->add_option("--png-size", o.pngSize, "with --png: the picture's size in pixels, as --bmp-size")
        ->check(kBitmapSize)
        ->needs(png);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace plikatra;
    CLI::App app{"Plikatra Designer command-line tool: opens 3D models, unfolds them into paper "
                 "patterns and writes work files and drawings."};
    app.set_version_flag("--version", std::string("Plikatra Designer command-line tool ") + programVersion());
    app.require_subcommand(1);

    std::vector<std::string> sets;
    std::string modelPath;
    CommonArgs common;
    bool verbose = false;
    UnfoldArgs unfold;
    OutputArgs exportArgs;

    CLI::App* info = app.add_subcommand("info", "Open a model and print its counts");
    info->add_option("MODEL", modelPath, "model or work file")->required();

    CLI::App* unf = app.add_subcommand("unfold", "Open a model, unfold it and lay the parts out");
    unf->add_option("MODEL", modelPath, "model file")->required();
    unf->add_option("--algorithm", unfold.algorithm,
                    "0 fold angle (free forms), 1 edge length (ruled shapes), 2 both, "
                    "3 fewest parts (a search bounded by iFewestPartsSeconds)")
        ->check(CLI::Range(0, 3));
    unf->add_option("--engine", unfold.engine,
                    "indexed (the default) or reference: the plain scans of part growing and "
                    "layout, slow, for comparison; both give the same development")
        ->check(CLI::IsMember({"indexed", "reference"}));
    unf->add_option("--paper", unfold.paper, kPaperHelp)->check(CLI::Range(0, 7));
    CLI::Option* scale = unf->add_option(
        "--scale", unfold.scale, "keep this scale (cm on paper per model unit) instead of fitting one page");
    scale->check(kPositive);
    CLI::Option* size = unf->add_option(
        "--assembled-size", unfold.assembledSize,
        "make the finished model this tall, in cm (0.1 to 200), instead of fitting one page");
    size->check(kAssembledSize)->excludes(scale);
    unf->add_option("--spacing-mm", unfold.spacingMm,
                    "with --scale or --assembled-size: spacing between parts, in mm")
        ->check(CLI::Range(0, 1000));
    unf->add_flag("--no-page-divide", unfold.noPageDivide, "with --scale or --assembled-size: let parts cross page breaks");
    unf->add_option("--layout", unfold.layout,
                    "with --scale or --assembled-size: box (the default) packs the parts' boxes; "
                    "nest arranges them by their outlines, flaps included, for fewer pages")
        ->check(CLI::IsMember({"box", "nest"}));
    unf->add_option("--rotation-step", unfold.rotationStep,
                    "with --layout nest: turn parts by multiples of this many degrees (0: never)")
        ->check(CLI::Range(0, 360));
    unf->add_flag("--shorten-colliding-flaps", unfold.shortenCollidingFlaps,
                  "lower the flaps that lie on a face or another flap, or reach past the face they "
                  "are glued under, before anything is written");
    addOutputs(unf, unfold.outputs);

    CLI::App* exp = app.add_subcommand("export", "Open a work file and write it or its development");
    exp->add_option("WORK", modelPath, "work file (.ufd)")->required();
    addOutputs(exp, exportArgs);

    for (CLI::App* sub : {info, unf, exp}) {
        sub->add_flag("--json", common.json, "print one JSON object on standard output");
        sub->add_flag("--verbose", verbose, "print every warning about the model's mesh");
        sub->add_flag("--join-open-edges", common.joinOpenEdges,
                      "join open edges that lie on each other right after loading");
        sub->add_option("--set", sets, "KEY=VALUE: override a setting for this run")->take_all();
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitFailed;
    }
    if ((unf->count("--spacing-mm") || unf->count("--no-page-divide") || unf->count("--layout")) &&
        !unfold.scale && !unfold.assembledSize) {
        std::cerr << "plikatra-cli: --spacing-mm, --no-page-divide and --layout only apply with "
                     "--scale or --assembled-size"
                  << std::endl;
        return kExitFailed;
    }
    if (unf->count("--rotation-step") && unfold.layout != "nest") {
        std::cerr << "plikatra-cli: --rotation-step only applies with --layout nest" << std::endl;
        return kExitFailed;
    }
    const OutputArgs& outputs = unf->parsed() ? unfold.outputs : exportArgs;
    if (const std::string clash = outputClash(modelPath, outputs); !clash.empty()) {
        std::cerr << "plikatra-cli: " << clash << std::endl;
        if (common.json) printJsonFailure(1, clash);
        return kExitFailed;
    }

    std::signal(SIGINT, onInterrupt);
    // A write beyond the file size limit then fails with an error the save reports, instead
    // of ending the process half way through.
    std::signal(SIGXFSZ, SIG_IGN);
    Settings settings;
    if (const std::string note = loadSettingsAtStart(settings, profilePath()); !note.empty())
        std::cerr << note << std::endl;
    if (!applySets(settings, sets)) return kExitFailed;
    CliFrontEnd frontEnd;
    Document doc(frontEnd, settings);
    std::optional<DiagnosticSummary> summary;
    if (!verbose) summary.emplace(std::cerr);

    if (info->parsed()) return runInfo(doc, frontEnd, modelPath, common);
    if (unf->parsed()) return runUnfold(doc, frontEnd, modelPath, unfold, common);
    if (exp->parsed()) return runExport(doc, frontEnd, modelPath, exportArgs, common);
    return kExitFailed;
}
