#include "m9ctl/console_messages.h"

#include "m9ctl/exit_codes.h"

#include <cstdio>

namespace m9ctl {

namespace {

struct Rule {
    const char *text; // contained in the message
    int code;
};

// The services' texts by what they mean to a script; anything else that
// warns is a failure to talk to the drive.
constexpr Rule kRules[] = {
    {"Error Parameter Range..!", kRefused},
    {"Parameter Lock !", kRefused},
    {"please Turn off SVON", kRefused},
    {"Can't change Data!", kRefused},
    {"Not used All download", kRefused},
    {"Cannot Save Parameter File", kFileError},
    {"Cannot Open Parameter File", kFileError},
    {"Cannot Save Snapshot", kFileError},
    {"Parameter File does not match the Parameter List", kFileError},
    {"Tarvex Database file open error!!", kFileError},
};

std::string lineText(const std::string &text, const std::string &detail)
{
    std::string line = "m9ctl: " + text;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (!detail.empty())
        line += "\n  " + detail;
    return line;
}

void printLine(const std::string &line) { std::fprintf(stderr, "%s\n", line.c_str()); }

} // namespace

void warn(const std::string &text) { printLine(lineText(text, {})); }

int exitCodeForMessage(const std::string &text)
{
    for (const Rule &rule : kRules)
        if (text.find(rule.text) != std::string::npos)
            return rule.code;
    return kLinkFailure;
}

bool ConsoleMessages::present(const tarvex::Message &message)
{
    std::lock_guard lock(mutex_);
    switch (message.kind) {
    case tarvex::Message::Kind::Information:
        notes_.push_back(message.text);
        return true;
    case tarvex::Message::Kind::Question:
        // Nobody can answer a box here; a question counts as declined.
        emit({lineText(message.text, message.detail), kDone});
        return false;
    case tarvex::Message::Kind::Warning:
        emit({lineText(message.text, message.detail), exitCodeForMessage(message.text)});
        return true;
    }
    return false;
}

void ConsoleMessages::fail(int code, const std::string &text)
{
    std::lock_guard lock(mutex_);
    emit({lineText(text, {}), code});
}

void ConsoleMessages::emit(Line line)
{
    if (holding_) {
        held_.push_back(std::move(line));
        return;
    }
    printLine(line.text);
    worst_ = worse(worst_, line.code);
}

void ConsoleMessages::hold()
{
    std::lock_guard lock(mutex_);
    holding_ = true;
}

void ConsoleMessages::release()
{
    std::lock_guard lock(mutex_);
    holding_ = false;
    for (Line &line : held_)
        emit(std::move(line));
    held_.clear();
}

void ConsoleMessages::drop()
{
    std::lock_guard lock(mutex_);
    holding_ = false;
    held_.clear();
}

bool ConsoleMessages::holds(const std::string &text) const
{
    std::lock_guard lock(mutex_);
    for (const Line &line : held_)
        if (line.text.find(text) != std::string::npos)
            return true;
    return false;
}

int ConsoleMessages::worstCode() const
{
    std::lock_guard lock(mutex_);
    return worst_;
}

std::vector<std::string> ConsoleMessages::notes() const
{
    std::lock_guard lock(mutex_);
    return notes_;
}

void ConsoleMessages::clearNotes()
{
    std::lock_guard lock(mutex_);
    notes_.clear();
}

} // namespace m9ctl
