#include "console_messages.h"

#include "exit_codes.h"

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
    {"Parameter File does not match the Parameter List", kFileError},
    {"Tarvex Database file open error!!", kFileError},
};

void printLine(const std::string &text, const std::string &detail)
{
    std::string line = "m9ctl: " + text;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (!detail.empty())
        line += "\n  " + detail;
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

void warn(const std::string &text) { printLine(text, {}); }

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
        printLine(message.text, message.detail);
        return false;
    case tarvex::Message::Kind::Warning:
        printLine(message.text, message.detail);
        worst_ = worse(worst_, exitCodeForMessage(message.text));
        return true;
    }
    return false;
}

void ConsoleMessages::fail(int code, const std::string &text)
{
    std::lock_guard lock(mutex_);
    printLine(text, {});
    worst_ = worse(worst_, code);
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
