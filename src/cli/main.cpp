// plikatra-cli: the core of the desktop program, driven from a shell.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/ui.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
    using namespace plikatra;
    CLI::App app{"Plikatra Designer command-line tool: opens 3D models and reports on them."};
    app.require_subcommand(1);

    std::vector<std::string> sets;
    std::string modelPath;
    bool json = false;

    CLI::App* info = app.add_subcommand("info", "Open a model and print its counts");
    info->add_option("MODEL", modelPath, "model or work file")->required();
    info->add_flag("--json", json, "print one JSON object on standard output");
    info->add_option("--set", sets, "KEY=VALUE: override a setting for this run")->take_all();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 1;
    }

    loadSettings();
    for (const std::string& kv : sets) {
        const size_t eq = kv.find('=');
        std::string error;
        if (eq == std::string::npos) {
            std::cerr << "--set expects KEY=VALUE, got \"" << kv << "\"" << std::endl;
            return 1;
        }
        if (!setSettingByName(kv.substr(0, eq), kv.substr(eq + 1), &error)) {
            std::cerr << error << std::endl;
            return 1;
        }
    }

    if (info->parsed()) return runInfo(modelPath, json);
    return 1;
}
