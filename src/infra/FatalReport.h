// The fatal-exception report: one entry per exception caught around a risky operation.
#pragma once

#include <functional>
#include <string>

namespace trov {

inline constexpr const char* kFatalReportIntro =
    "Fatal Exception occured! If you can reproduce this error, please send the next lines to me! "
    "This may help to find errors and results in better software!";

// Collects the report text; the front end shows it (the GUI in its report window, the command
// line on stderr) through the sink. Thread-safe; reports never interleave.
class CFatalReport {
public:
    // Called after each report with the whole text so far (under the report's lock, on the
    // reporting thread). Exceptions thrown by the sink are swallowed.
    using Sink = std::function<void(const std::string& wholeText, const std::string& section)>;

    // Appends "Fatal Exception occured!\r\n\r\nSection: " + section + "\r\n" and calls the sink.
    void Report(const std::string& section);
    std::string GetText() const;
    void ClearText();
    int GetCount() const;
    void SetSink(Sink sink);

private:
    struct Impl;
    Impl& State() const;
};

// The process-wide report.
CFatalReport& GetFatalReport();

// Shorthand for GetFatalReport().Report(section).
void ReportFatalException(const std::string& section);

// Runs operation; an exception escaping it is reported under section and swallowed.
// Returns true when the operation completed, false when it threw.
bool RunGuarded(const std::string& section, const std::function<void()>& operation);

}  // namespace trov
