// plikatra-cli: the core of the desktop program, driven from a shell.
#include <CLI/CLI.hpp>

#include <csignal>

#include <iostream>
#include <string>
#include <vector>

#include "base/profile.h"
#include "base/settings.h"
#include "base/terminal_progress.h"
#include "cli/commands.h"

namespace {

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
            std::cerr << "--set expects KEY=VALUE, got \"" << kv << "\"" << std::endl;
            return false;
        }
        std::string error;
        if (!plikatra::setSettingByName(settings, kv.substr(0, eq), kv.substr(eq + 1), &error)) {
            std::cerr << error << std::endl;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace plikatra;
    CLI::App app{"Plikatra Designer command-line tool: opens 3D models, unfolds them into paper "
                 "patterns and writes work files and drawings."};
    app.require_subcommand(1);

    std::vector<std::string> sets;
    std::string modelPath;
    bool json = false;
    UnfoldArgs unfold;

    CLI::App* info = app.add_subcommand("info", "Open a model and print its counts");
    info->add_option("MODEL", modelPath, "model or work file")->required();

    CLI::App* unf = app.add_subcommand("unfold", "Open a model, unfold it and lay the parts out");
    unf->add_option("MODEL", modelPath, "model file")->required();
    unf->add_option("--algorithm", unfold.algorithm,
                    "0 fold angle (free forms), 1 edge length (ruled shapes), 2 both")
        ->check(CLI::Range(0, 2));
    unf->add_option("--paper", unfold.paper, "paper type 0..7 (0 is A4)")->check(CLI::Range(0, 7));
    unf->add_option("--out", unfold.out, "write the work file");
    unf->add_option("--eps", unfold.eps, "write the development as EPS");
    unf->add_option("--scale", unfold.scale,
                    "keep this scale (cm on paper per model unit) instead of fitting one page")
        ->check(CLI::PositiveNumber);
    unf->add_option("--spacing-mm", unfold.spacingMm, "spacing between parts with --scale, in mm")
        ->check(CLI::Range(0, 1000));
    unf->add_flag("--no-page-divide", unfold.noPageDivide,
                  "with --scale: let parts cross page breaks");

    ExportArgs exportArgs;
    CLI::App* exp = app.add_subcommand("export", "Open a work file and write it or its development");
    exp->add_option("WORK", modelPath, "work file (.ufd)")->required();
    exp->add_option("--out", exportArgs.out, "write the work file again");
    exp->add_option("--eps", exportArgs.eps, "write the development as EPS");

    for (CLI::App* sub : {info, unf, exp}) {
        sub->add_flag("--json", json, "print one JSON object on standard output");
        sub->add_option("--set", sets, "KEY=VALUE: override a setting for this run")->take_all();
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitFailed;
    }

    std::signal(SIGINT, onInterrupt);
    // A write beyond the file size limit then fails with an error the save reports, instead
    // of ending the process half way through.
    std::signal(SIGXFSZ, SIG_IGN);
    Settings settings;
    if (const std::string note = loadSettingsAtStart(settings); !note.empty())
        std::cerr << note << std::endl;
    if (!applySets(settings, sets)) return kExitFailed;
    CliFrontEnd frontEnd;
    Document doc(frontEnd, settings);

    if (info->parsed()) return runInfo(doc, modelPath, json);
    if (unf->parsed()) return runUnfold(doc, frontEnd, modelPath, unfold, json);
    if (exp->parsed()) return runExport(doc, modelPath, exportArgs, json);
    return kExitFailed;
}
