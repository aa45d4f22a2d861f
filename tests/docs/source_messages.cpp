#include "tests/docs/source_messages.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace tarvex::docs {

namespace {

struct Token {
    enum class Kind { Identifier, String, Number, Punct };
    Kind kind = Kind::Punct;
    std::string text; // a string's decoded value
    int line = 0;
};

bool isIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Decodes the escapes of an ordinary literal's body.
std::string decodeEscapes(const std::string &body)
{
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\' || i + 1 >= body.size()) {
            out += body[i];
            continue;
        }
        const char e = body[++i];
        switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '0': out += '\0'; break;
        case 'x': {
            unsigned value = 0;
            while (i + 1 < body.size() && std::isxdigit(static_cast<unsigned char>(body[i + 1])))
                value = value * 16 + static_cast<unsigned>(std::stoi(std::string(1, body[++i]), nullptr, 16));
            out += static_cast<char>(value & 0xFF);
            break;
        }
        case 'u': {
            // A \uXXXX escape as UTF-8 (the sources use it for arrows).
            unsigned value = 0;
            for (int k = 0; k < 4 && i + 1 < body.size(); ++k)
                value = value * 16 + static_cast<unsigned>(std::stoi(std::string(1, body[++i]), nullptr, 16));
            if (value < 0x80) {
                out += static_cast<char>(value);
            } else if (value < 0x800) {
                out += static_cast<char>(0xC0 | (value >> 6));
                out += static_cast<char>(0x80 | (value & 0x3F));
            } else {
                out += static_cast<char>(0xE0 | (value >> 12));
                out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (value & 0x3F));
            }
            break;
        }
        default: out += e; break; // \" \' \\ \?
        }
    }
    return out;
}

// Splits C++ source into identifiers, string literals (decoded, adjacent
// ones joined), numbers and punctuation; comments and preprocessor lines go.
std::vector<Token> tokenize(const std::string &s)
{
    std::vector<Token> tokens;
    int line = 1;
    bool lineStart = true;
    auto push = [&](Token::Kind kind, std::string text) {
        if (kind == Token::Kind::String && !tokens.empty() && tokens.back().kind == Token::Kind::String) {
            tokens.back().text += text;
            return;
        }
        tokens.push_back({kind, std::move(text), line});
    };
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (lineStart && c == '#') {
            while (i < s.size() && s[i] != '\n') {
                if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\n') {
                    ++line;
                    ++i;
                }
                ++i;
            }
            continue;
        }
        lineStart = false;
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            while (i < s.size() && s[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const std::size_t end = s.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? s.size() : end + 2;
            line += static_cast<int>(std::count(s.begin() + static_cast<std::ptrdiff_t>(i),
                                                s.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
            i = stop;
            continue;
        }
        if (isIdentifierStart(c)) {
            std::size_t j = i;
            while (j < s.size() && isIdentifierChar(s[j]))
                ++j;
            std::string word = s.substr(i, j - i);
            const bool prefix = word == "u8" || word == "u" || word == "U" || word == "L";
            const bool raw = word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR";
            if (j < s.size() && s[j] == '"' && raw) {
                const std::size_t open = s.find('(', j);
                if (open == std::string::npos)
                    break;
                const std::string close = ")" + s.substr(j + 1, open - j - 1) + "\"";
                const std::size_t end = s.find(close, open);
                const std::size_t stop = end == std::string::npos ? s.size() : end;
                const std::string body = s.substr(open + 1, stop - open - 1);
                push(Token::Kind::String, body);
                line += static_cast<int>(std::count(body.begin(), body.end(), '\n'));
                i = end == std::string::npos ? s.size() : end + close.size();
                continue;
            }
            if (j < s.size() && s[j] == '"' && prefix) {
                i = j; // the literal itself follows
                continue;
            }
            push(Token::Kind::Identifier, std::move(word));
            i = j;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < s.size() && (isIdentifierChar(s[j]) || s[j] == '.' ||
                                    (s[j] == '\'' && j + 1 < s.size() && std::isxdigit(static_cast<unsigned char>(s[j + 1])))))
                ++j;
            push(Token::Kind::Number, s.substr(i, j - i));
            i = j;
            continue;
        }
        if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            while (j < s.size() && s[j] != c && s[j] != '\n') {
                if (s[j] == '\\')
                    ++j;
                ++j;
            }
            if (c == '"')
                push(Token::Kind::String, decodeEscapes(s.substr(i + 1, j - i - 1)));
            else
                push(Token::Kind::Number, s.substr(i, j - i + 1));
            i = j + 1;
            continue;
        }
        push(Token::Kind::Punct, std::string(1, c));
        ++i;
    }
    return tokens;
}

bool isPunct(const Token &t, char c) { return t.kind == Token::Kind::Punct && t.text.size() == 1 && t.text[0] == c; }

// The index just past the bracket that closes the one at `open`.
std::size_t pastClosing(const std::vector<Token> &t, std::size_t open)
{
    const char o = t[open].text[0];
    const char c = o == '(' ? ')' : o == '{' ? '}' : ']';
    int depth = 0;
    for (std::size_t i = open; i < t.size(); ++i) {
        if (isPunct(t[i], o))
            ++depth;
        else if (isPunct(t[i], c) && --depth == 0)
            return i + 1;
    }
    return t.size();
}

// Top-level comma-separated items between `begin` (just past an opening
// bracket) and `end` (its closing bracket).
std::vector<std::pair<std::size_t, std::size_t>> items(const std::vector<Token> &t, std::size_t begin, std::size_t end)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t start = begin;
    int depth = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (isPunct(t[i], '(') || isPunct(t[i], '{') || isPunct(t[i], '['))
            ++depth;
        else if (isPunct(t[i], ')') || isPunct(t[i], '}') || isPunct(t[i], ']'))
            --depth;
        else if (depth == 0 && isPunct(t[i], ',')) {
            out.emplace_back(start, i);
            start = i + 1;
        }
    }
    if (start < end)
        out.emplace_back(start, end);
    return out;
}

// The fixed pieces of a printf format: the text between its conversions.
std::vector<std::string> formatPieces(const std::string &format)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            piece += '%';
            ++i;
        } else if (format[i] == '%') {
            pieces.push_back(piece);
            piece.clear();
            ++i;
            while (i < format.size() && !std::isalpha(static_cast<unsigned char>(format[i])))
                ++i;
            while (i < format.size() && std::string("hlLqjzt").find(format[i]) != std::string::npos)
                ++i; // length modifiers; the conversion letter ends the loop's step
        } else {
            piece += format[i];
        }
    }
    pieces.push_back(piece);
    return pieces;
}

const std::set<std::string> kMessageCalls{"show",         "showInformation", "inform",    "ask",
                                          "present",      "presenter_",      "message_",  "reportFailure",
                                          "readOne",      "readMany",        "writeOne",  "writeMany",
                                          "fail",         "warn",            "usageError"};
const std::set<std::string> kBoxFunctions{"information", "warning", "critical", "question"};
const std::set<std::string> kNotFunctions{"if", "for", "while", "switch", "catch", "return", "sizeof"};

} // namespace

std::string SourceMessage::joined() const
{
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        out += (i ? "..." : "") + pieces[i];
    return out;
}

struct MessageFinder::Source {
    std::string file;
    std::vector<Token> tokens;
};

void MessageFinder::addSource(const std::string &text, const std::string &file) { sources_.emplace_back(text, file); }

void MessageFinder::addFolder(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && (entry.path().extension() == ".cpp" || entry.path().extension() == ".h"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto &path : files) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        addSource(text.str(), path.string());
    }
}

namespace {

// What the sources define that message calls refer to.
struct Definitions {
    std::map<std::string, std::string> constants;                    // kName = "text"
    std::map<std::string, std::vector<std::string>> fields;          // struct name -> field names
    struct Table {
        std::string type;
        std::vector<std::vector<std::optional<std::string>>> rows; // a string cell, or none
        std::string file;
        int line = 0;
    };
    std::map<std::string, Table> tables;
    struct Function {
        const std::vector<Token> *tokens = nullptr;
        std::size_t begin = 0, end = 0; // the return expression
    };
    std::map<std::string, Function> textFunctions;
};

void collectDefinitions(const std::vector<Token> &t, const std::string &file, Definitions &d)
{
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        const Token &a = t[i];
        if (a.kind != Token::Kind::Identifier)
            continue;
        // kName = "text";   kName{"text"}
        if (a.text.size() > 1 && a.text[0] == 'k' && std::isupper(static_cast<unsigned char>(a.text[1])) &&
            i + 3 < t.size() && (isPunct(t[i + 1], '=') || isPunct(t[i + 1], '{')) &&
            t[i + 2].kind == Token::Kind::String && (isPunct(t[i + 3], ';') || isPunct(t[i + 3], '}')))
            d.constants[a.text] = t[i + 2].text;
        // struct Name { fields };
        if ((a.text == "struct" || a.text == "class") && i + 2 < t.size() && t[i + 1].kind == Token::Kind::Identifier &&
            isPunct(t[i + 2], '{')) {
            const std::size_t end = pastClosing(t, i + 2);
            std::vector<std::string> names;
            int depth = 0;
            std::string last;
            for (std::size_t k = i + 3; k + 1 < end; ++k) {
                if (isPunct(t[k], '(') || isPunct(t[k], '{'))
                    ++depth;
                else if (isPunct(t[k], ')') || isPunct(t[k], '}'))
                    --depth;
                else if (depth == 0 && t[k].kind == Token::Kind::Identifier)
                    last = t[k].text;
                else if (depth == 0 && (isPunct(t[k], ';') || isPunct(t[k], '='))) {
                    if (!last.empty())
                        names.push_back(last);
                    last.clear();
                    if (isPunct(t[k], '='))
                        while (k + 1 < end && !isPunct(t[k + 1], ';'))
                            ++k;
                }
            }
            d.fields[t[i + 1].text] = names;
        }
        // Type kTable[] = {{...}, ...};   std::array<Type, N> kTable{{...}};
        if (a.text.size() > 1 && a.text[0] == 'k' && std::isupper(static_cast<unsigned char>(a.text[1])) && i > 0) {
            std::size_t k = i + 1;
            if (k + 1 < t.size() && isPunct(t[k], '[') && isPunct(t[k + 1], ']'))
                k += 2;
            if (k < t.size() && isPunct(t[k], '='))
                ++k;
            if (k >= t.size() || !isPunct(t[k], '{'))
                continue;
            std::string type;
            if (t[i - 1].kind == Token::Kind::Identifier) {
                type = t[i - 1].text;
            } else if (isPunct(t[i - 1], '>')) {
                for (std::size_t b = i - 1; b > 0; --b)
                    if (isPunct(t[b], '<')) {
                        type = t[b + 1].text;
                        break;
                    }
            }
            if (type.empty())
                continue;
            Definitions::Table table{type, {}, file, a.line};
            const std::size_t end = pastClosing(t, k);
            // The rows are the innermost braces.
            for (std::size_t r = k; r < end; ++r) {
                if (!isPunct(t[r], '{'))
                    continue;
                const std::size_t rowEnd = pastClosing(t, r);
                bool nested = false;
                for (std::size_t q = r + 1; q + 1 < rowEnd; ++q)
                    nested = nested || isPunct(t[q], '{');
                if (nested)
                    continue;
                std::vector<std::optional<std::string>> row;
                for (const auto &[b, e] : items(t, r + 1, rowEnd - 1))
                    row.push_back(e == b + 1 && t[b].kind == Token::Kind::String ? std::optional(t[b].text)
                                                                                 : std::nullopt);
                table.rows.push_back(row);
                r = rowEnd - 1;
            }
            if (!table.rows.empty())
                d.tables[a.text] = table;
        }
        // name(...) [const] { ... return <expression>; ... }
        if (isPunct(t[i + 1], '(') && !kNotFunctions.count(a.text)) {
            std::size_t k = pastClosing(t, i + 1);
            if (k < t.size() && t[k].kind == Token::Kind::Identifier && t[k].text == "const")
                ++k;
            if (k < t.size() && isPunct(t[k], '{') && (i == 0 || !isPunct(t[i - 1], '.'))) {
                const std::size_t end = pastClosing(t, k);
                for (std::size_t r = k; r < end; ++r) {
                    if (t[r].kind != Token::Kind::Identifier || t[r].text != "return")
                        continue;
                    std::size_t e = r + 1;
                    while (e < end && !isPunct(t[e], ';'))
                        ++e;
                    bool literal = false;
                    for (std::size_t q = r + 1; q < e; ++q)
                        literal = literal || t[q].kind == Token::Kind::String;
                    if (literal)
                        d.textFunctions[a.text] = {&t, r + 1, e};
                    break;
                }
            }
        }
    }
}

class CallReader {
public:
    CallReader(const Definitions &d, const std::vector<Token> &t, const std::string &file)
        : d_(d), t_(t), file_(file)
    {
        // snprintf(buffer, sizeof buffer, "format", ...): what the buffer holds.
        for (std::size_t i = 0; i + 2 < t.size(); ++i)
            if (t[i].kind == Token::Kind::Identifier && (t[i].text == "snprintf" || t[i].text == "sprintf") &&
                isPunct(t[i + 1], '(') && t[i + 2].kind == Token::Kind::Identifier) {
                const std::size_t end = pastClosing(t, i + 1);
                for (std::size_t k = i + 3; k < end; ++k)
                    if (t[k].kind == Token::Kind::String) {
                        buffers_[t[i + 2].text] = t[k].text;
                        break;
                    }
            }
    }

    void read(std::vector<SourceMessage> &out) const
    {
        for (std::size_t i = 0; i + 1 < t_.size(); ++i) {
            if (t_[i].kind != Token::Kind::Identifier || !isPunct(t_[i + 1], '('))
                continue;
            const bool box = kBoxFunctions.count(t_[i].text) && i >= 3 && t_[i - 3].text == "QMessageBox";
            if (!kMessageCalls.count(t_[i].text) && !box)
                continue;
            const std::size_t end = pastClosing(t_, i + 1);
            auto arguments = items(t_, i + 2, end - 1);
            if (box) // parent, title, then the text
                arguments.erase(arguments.begin(), arguments.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(arguments.size())));
            for (const auto &[b, e] : arguments) {
                std::vector<SourceMessage> found;
                if (textOf(t_, b, e, found)) {
                    for (SourceMessage &m : found) {
                        m.file = file_;
                        m.line = t_[i].line;
                        out.push_back(std::move(m));
                    }
                    break;
                }
            }
        }
    }

private:
    // The text an argument carries; false when it carries none the reader
    // can see. A table column gives one message per row.
    bool textOf(const std::vector<Token> &t, std::size_t b, std::size_t e, std::vector<SourceMessage> &out) const
    {
        const std::size_t before = out.size();
        SourceMessage message;
        bool hole = false;
        auto addPiece = [&](const std::string &piece) {
            if (hole || message.pieces.empty())
                message.pieces.push_back(piece);
            else
                message.pieces.back() += piece;
            hole = false;
        };
        for (std::size_t k = b; k < e; ++k) {
            const Token &x = t[k];
            if (isPunct(x, ',') && !message.pieces.empty())
                break; // the next field of a braced message
            // cond ? "one text" : "another": two messages.
            const bool scope = isPunct(x, ':') && ((k > b && isPunct(t[k - 1], ':')) || (k + 1 < e && isPunct(t[k + 1], ':')));
            if (isPunct(x, '?') || (isPunct(x, ':') && !scope)) {
                finish(message, out);
                message = {};
                hole = false;
                continue;
            }
            if (x.kind == Token::Kind::String) {
                addPiece(x.text);
            } else if (x.kind == Token::Kind::Identifier && k + 1 < e && isPunct(t[k + 1], '[') &&
                       d_.tables.count(x.text)) {
                const std::size_t after = pastClosing(t, k + 1);
                if (after + 1 < e + 1 && after + 1 <= t.size() - 1 && isPunct(t[after], '.'))
                    return tableColumn(x.text, t[after + 1].text, out);
            } else if (x.kind == Token::Kind::Identifier && k + 1 < e && isPunct(t[k + 1], '(') &&
                       d_.textFunctions.count(x.text)) {
                const Definitions::Function &f = d_.textFunctions.at(x.text);
                std::vector<SourceMessage> inner;
                if (textOf(*f.tokens, f.begin, f.end, inner) && !inner.empty()) {
                    for (const std::string &piece : inner.front().pieces) {
                        addPiece(piece);
                        hole = true;
                    }
                }
                k = pastClosing(t, k + 1) - 1;
            } else if (x.kind == Token::Kind::Identifier && d_.constants.count(x.text) &&
                       (k + 1 >= e || !isPunct(t[k + 1], '('))) {
                addPiece(d_.constants.at(x.text));
            } else if (x.kind == Token::Kind::Identifier && &t == &t_ && buffers_.count(x.text)) {
                const std::vector<std::string> pieces = formatPieces(buffers_.at(x.text));
                for (std::size_t p = 0; p < pieces.size(); ++p) {
                    if (p > 0)
                        hole = true;
                    addPiece(pieces[p]);
                }
            } else if (!isPunct(x, '+') && !isPunct(x, '(') && !isPunct(x, ')') && !isPunct(x, '{') &&
                       !isPunct(x, ',') && !(x.kind == Token::Kind::Identifier &&
                                             (x.text == "QStringLiteral" || x.text == "QLatin1String" ||
                                              x.text == "tr" || x.text == "std" || x.text == "string" ||
                                              x.text == "QString" || x.text == "fromLatin1" || x.text == "fromUtf8")) &&
                       !isPunct(x, ':')) {
                hole = !message.pieces.empty() || hole;
                if (message.pieces.empty())
                    hole = true;
            }
        }
        finish(message, out);
        return out.size() > before;
    }

    // Keeps a message with its line breaks at either end taken off and
    // pieces that are only blanks dropped.
    static void finish(SourceMessage &message, std::vector<SourceMessage> &out)
    {
        std::vector<std::string> kept;
        for (std::string &piece : message.pieces)
            if (!std::all_of(piece.begin(), piece.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); }))
                kept.push_back(piece);
        if (kept.empty())
            return;
        while (!kept.front().empty() && (kept.front().front() == '\n' || kept.front().front() == '\r'))
            kept.front().erase(0, 1);
        while (!kept.back().empty() && (kept.back().back() == '\n' || kept.back().back() == '\r'))
            kept.back().pop_back();
        message.pieces = kept;
        out.push_back(message);
    }

public:
    bool tableColumn(const std::string &table, const std::string &field, std::vector<SourceMessage> &out) const
    {
        const auto tableIt = d_.tables.find(table);
        if (tableIt == d_.tables.end())
            return false;
        const auto fieldsIt = d_.fields.find(tableIt->second.type);
        if (fieldsIt == d_.fields.end())
            return false;
        const auto column = std::find(fieldsIt->second.begin(), fieldsIt->second.end(), field);
        if (column == fieldsIt->second.end())
            return false;
        const auto index = static_cast<std::size_t>(column - fieldsIt->second.begin());
        for (const auto &row : tableIt->second.rows)
            if (index < row.size() && row[index] && !row[index]->empty())
                out.push_back({{*row[index]}, tableIt->second.file, tableIt->second.line});
        return true;
    }

private:
    const Definitions &d_;
    const std::vector<Token> &t_;
    std::string file_;
    std::map<std::string, std::string> buffers_;
};

} // namespace

std::vector<SourceMessage> MessageFinder::messages() const
{
    std::vector<std::vector<Token>> tokens;
    tokens.reserve(sources_.size());
    Definitions d;
    for (const auto &[text, file] : sources_)
        tokens.push_back(tokenize(text));
    for (std::size_t s = 0; s < sources_.size(); ++s)
        collectDefinitions(tokens[s], sources_[s].second, d);

    std::vector<SourceMessage> all;
    for (std::size_t s = 0; s < sources_.size(); ++s)
        CallReader(d, tokens[s], sources_[s].second).read(all);
    if (!sources_.empty()) {
        const CallReader tables(d, tokens[0], sources_[0].second);
        for (const MessageTable &m : indirectTables_)
            tables.tableColumn(m.table, m.field, all);
    }
    // Each text once, at its first place.
    std::vector<SourceMessage> unique;
    std::set<std::vector<std::string>> seen;
    for (SourceMessage &m : all)
        if (seen.insert(m.pieces).second)
            unique.push_back(std::move(m));
    return unique;
}

std::vector<std::string> MessageFinder::missingTables() const
{
    Definitions d;
    std::vector<std::vector<Token>> tokens;
    tokens.reserve(sources_.size());
    for (const auto &[text, file] : sources_)
        tokens.push_back(tokenize(text));
    for (std::size_t s = 0; s < sources_.size(); ++s)
        collectDefinitions(tokens[s], sources_[s].second, d);
    std::vector<std::string> missing;
    for (const MessageTable &m : indirectTables_) {
        std::vector<SourceMessage> rows;
        const std::vector<Token> none;
        if (!CallReader(d, none, {}).tableColumn(m.table, m.field, rows) || rows.empty())
            missing.push_back(m.table + "." + m.field);
    }
    return missing;
}

bool documentCarries(const std::string &document, const SourceMessage &message)
{
    if (message.pieces.empty())
        return true;
    if (message.pieces.size() == 1)
        return document.find(message.pieces.front()) != std::string::npos;
    std::istringstream lines(document);
    for (std::string line; std::getline(lines, line);) {
        std::size_t at = 0;
        bool all = true;
        for (const std::string &piece : message.pieces) {
            const std::size_t found = line.find(piece, at);
            if (found == std::string::npos) {
                all = false;
                break;
            }
            at = found + piece.size();
        }
        if (all)
            return true;
    }
    return false;
}

} // namespace tarvex::docs
