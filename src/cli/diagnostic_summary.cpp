#include "cli/diagnostic_summary.h"

namespace plikatra {

DiagnosticSummary::DiagnosticSummary(std::ostream& stream, int shown, std::string prefix)
    : stream_(stream), target_(stream.rdbuf()), shown_(shown), prefix_(std::move(prefix)) {
    stream_.rdbuf(this);
}

DiagnosticSummary::~DiagnosticSummary() {
    flushLine();
    stream_.rdbuf(target_);
    if (diagnostics_ > shown_)
        stream_ << "plikatra-cli: " << (diagnostics_ - shown_)
                << " more warnings like these (--verbose shows them all)" << std::endl;
}

int DiagnosticSummary::overflow(int c) {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    line_ += static_cast<char>(c);
    if (c == '\n') flushLine();
    return c;
}

int DiagnosticSummary::sync() {
    // A line is only passed on whole, so that it can be told apart first.
    return target_->pubsync();
}

void DiagnosticSummary::flushLine() {
    if (line_.empty()) return;
    const bool diagnostic = line_.compare(0, prefix_.size(), prefix_) == 0;
    if (!diagnostic || ++diagnostics_ <= shown_) target_->sputn(line_.data(), static_cast<std::streamsize>(line_.size()));
    line_.clear();
}

}  // namespace plikatra
