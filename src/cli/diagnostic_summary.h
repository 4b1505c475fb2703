// Mesh diagnostics are written to standard error one line each; a damaged model can produce
// thousands. While this object lives it passes the first few of them on and counts the rest,
// and says how many it held back when it goes.
#pragma once

#include <iostream>
#include <streambuf>
#include <string>

namespace plikatra {

class DiagnosticSummary : public std::streambuf {
public:
    // Lines starting with `prefix` are diagnostics; `shown` of them pass.
    explicit DiagnosticSummary(std::ostream& stream, int shown = 5, std::string prefix = "Warning: ");
    ~DiagnosticSummary() override;
    DiagnosticSummary(const DiagnosticSummary&) = delete;
    DiagnosticSummary& operator=(const DiagnosticSummary&) = delete;

protected:
    int overflow(int c) override;
    int sync() override;

private:
    void flushLine();

    std::ostream& stream_;
    std::streambuf* target_;
    int shown_;
    std::string prefix_;
    std::string line_;
    long long diagnostics_ = 0;
};

}  // namespace plikatra
