// Every text Quillmere ships speaks of this platform: no string literal in the sources of the
// application, the engines, the helper or the seams, and no line of the packaging, names the other
// platform ("Mac", "macOS", "Finder", "iCloud", "XProtect", "System Settings", "Full Disk Access",
// "App Store", and its mechanics' "launch agent", "launch daemon", "Library folder", "sandbox container"),
// except the few literals listed below that are file paths, identifiers or third-party
// products' own names and are never shown as a sentence of ours. Comments, identifiers and include
// paths are not shown text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Language { cpp, qml };

struct Literal
{
    int line = 0;
    std::string text; // as written between the quotes, adjacent C++ pieces joined
};

bool isIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

// The string literals of `source`: C++ strings (with any prefix, raw strings, adjacent pieces joined
// as the compiler joins them) or QML/JavaScript strings ('…', "…" and template text). Comments,
// character literals, numbers with digit separators, regular expression literals, `#include` and
// `import` lines are stepped over.
class LiteralScanner
{
public:
    LiteralScanner(const std::string& source, Language language) : m_src(source), m_language(language) {}

    std::vector<Literal> scan()
    {
        while (m_pos < m_src.size()) {
            const char c = m_src[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
                m_lineStart = true;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_pos;
                continue;
            }
            const bool lineStart = m_lineStart;
            m_lineStart = false;
            if (lineStart && skipDirectiveLine())
                continue;
            if (startsWith("//")) {
                skipPast("\n", false);
                continue;
            }
            if (startsWith("/*")) {
                skipPast("*/", true);
                continue;
            }
            if (c == '"' || (m_language == Language::qml && (c == '\'' || c == '`'))) {
                readQuoted(c);
                continue;
            }
            if (c == '\'') { // a C++ character literal
                readQuoted(c, false);
                continue;
            }
            if (isIdentifierChar(c)) {
                readWord();
                continue;
            }
            if (c == '/' && m_language == Language::qml && m_regexMayFollow) {
                readRegex();
                continue;
            }
            m_regexMayFollow = c != ')' && c != ']' && c != '}';
            m_joinNext = false;
            ++m_pos;
        }
        return m_literals;
    }

private:
    bool startsWith(const char* text) const { return m_src.compare(m_pos, std::strlen(text), text) == 0; }

    void skipPast(const std::string& end, bool countLines)
    {
        const std::size_t found = m_src.find(end, m_pos);
        const std::size_t stop =
            found == std::string::npos ? m_src.size() : found + (countLines ? end.size() : 0);
        m_line += int(
            std::count(m_src.begin() + std::ptrdiff_t(m_pos), m_src.begin() + std::ptrdiff_t(stop), '\n'));
        m_pos = stop;
    }

    // `#include "…"` and QML's `import "…"` name files, not texts.
    bool skipDirectiveLine()
    {
        static const std::regex cppInclude(R"(^#\s*include\b)");
        static const std::regex qmlImport(R"(^import\s)");
        const std::size_t end = m_src.find('\n', m_pos);
        const std::string line =
            m_src.substr(m_pos, end == std::string::npos ? std::string::npos : end - m_pos);
        if (!std::regex_search(line, m_language == Language::cpp ? cppInclude : qmlImport))
            return false;
        m_pos = end == std::string::npos ? m_src.size() : end;
        return true;
    }

    void readWord()
    {
        const std::size_t start = m_pos;
        // A quote or a dot belongs to a number (3'888'000, 1.5e3), never to a name.
        const bool number = std::isdigit(static_cast<unsigned char>(m_src[start])) != 0;
        while (m_pos < m_src.size() &&
               (isIdentifierChar(m_src[m_pos]) || (number && (m_src[m_pos] == '\'' || m_src[m_pos] == '.'))))
            ++m_pos;
        const std::string word = m_src.substr(start, m_pos - start);
        const bool prefix = m_language == Language::cpp && m_pos < m_src.size() && m_src[m_pos] == '"' &&
                            (word == "u" || word == "U" || word == "L" || word == "u8" || word == "R" ||
                             word == "uR" || word == "UR" || word == "LR" || word == "u8R");
        if (prefix) {
            if (word.back() == 'R')
                readRaw();
            else
                readQuoted('"');
            return;
        }
        m_regexMayFollow = word == "return" || word == "typeof" || word == "case";
        m_joinNext = false;
    }

    void addLiteral(int line, std::string text)
    {
        if (m_language == Language::cpp && m_joinNext && !m_literals.empty())
            m_literals.back().text += text;
        else
            m_literals.push_back({line, std::move(text)});
        m_joinNext = m_language == Language::cpp;
        m_regexMayFollow = false;
    }

    void readQuoted(char quote, bool keep = true)
    {
        const int line = m_line;
        std::string text;
        ++m_pos;
        while (m_pos < m_src.size() && m_src[m_pos] != quote) {
            if (m_src[m_pos] == '\\' && m_pos + 1 < m_src.size()) {
                text += m_src.substr(m_pos, 2);
                m_pos += 2;
                continue;
            }
            if (m_src[m_pos] == '\n')
                ++m_line;
            text += m_src[m_pos++];
        }
        ++m_pos;
        if (keep)
            addLiteral(line, std::move(text));
        else
            m_joinNext = false;
    }

    void readRaw()
    {
        const int line = m_line;
        const std::size_t open = m_src.find('(', m_pos);
        const std::string delimiter = ")" + m_src.substr(m_pos + 1, open - m_pos - 1) + "\"";
        const std::size_t close = m_src.find(delimiter, open);
        const std::string text = m_src.substr(open + 1, close - open - 1);
        m_line += int(std::count(text.begin(), text.end(), '\n'));
        m_pos = close + delimiter.size();
        addLiteral(line, text);
    }

    void readRegex()
    {
        bool inClass = false;
        ++m_pos;
        while (m_pos < m_src.size() && m_src[m_pos] != '\n') {
            const char c = m_src[m_pos++];
            if (c == '\\')
                ++m_pos;
            else if (c == '[')
                inClass = true;
            else if (c == ']')
                inClass = false;
            else if (c == '/' && !inClass)
                break;
        }
        while (m_pos < m_src.size() && std::isalpha(static_cast<unsigned char>(m_src[m_pos])))
            ++m_pos;
        m_regexMayFollow = false;
    }

    const std::string& m_src;
    Language m_language;
    std::size_t m_pos = 0;
    int m_line = 1;
    bool m_lineStart = true;
    bool m_regexMayFollow = true;
    bool m_joinNext = false;
    std::vector<Literal> m_literals;
};

// The literal as a reader sees its words: every escape sequence (\n, \u2014, \") is a space.
std::string wordsOf(const std::string& literal)
{
    static const std::regex escape(R"(\\(u[0-9A-Fa-f]{4}|U[0-9A-Fa-f]{8}|x[0-9A-Fa-f]+|.))");
    return std::regex_replace(literal, escape, " ");
}

// The other platform's words, each as a whole word.
struct Forbidden
{
    const char* name;
    std::regex pattern;
};

const std::vector<Forbidden>& forbiddenWords()
{
    using std::regex;
    static const std::vector<Forbidden> words{
        {"Mac", regex(R"(\bMacs?\b)")},
        {"macOS", regex(R"(\bmac\s?os\b)", regex::icase)},
        {"Finder", regex(R"(\bFinder\b)")},
        {"iCloud", regex(R"(\biCloud\b)")},
        {"XProtect", regex(R"(\bXProtect\b)")},
        {"System Settings", regex(R"(\bSystem\s+Settings\b)", regex::icase)},
        {"Full Disk Access", regex(R"(\bFull\s+Disk\s+Access\b)", regex::icase)},
        {"App Store", regex(R"(\bApp\s+Store\b)", regex::icase)},
        // The other platform's mechanics, as whole phrases: this platform's "Flatpak sandbox" stays.
        {"launch agent", regex(R"(\blaunch\s+agents?\b)", regex::icase)},
        {"launch daemon", regex(R"(\blaunch\s+daemons?\b)", regex::icase)},
        {"Library folder", regex(R"(\bLibrary\s+folders?\b)", regex::icase)},
        {"sandbox container", regex(R"(\bsandbox\s+containers?\b)", regex::icase)},
    };
    return words;
}

// The forbidden words `literal` contains, comma-separated; empty when none.
std::string forbiddenIn(const std::string& literal)
{
    const std::string words = wordsOf(literal);
    std::string found;
    for (const Forbidden& word : forbiddenWords()) {
        if (std::regex_search(words, word.pattern))
            found += (found.empty() ? "" : ", ") + std::string(word.name);
    }
    return found;
}

// A literal that may keep one of the words: where it lies (path under src/) and a part of its text.
struct Allowed
{
    const char* file;
    const char* text;
    const char* why;
};

// Short on purpose: only file paths, identifiers and other makers' own names.
const std::vector<Allowed>& allowList()
{
    static const std::vector<Allowed> allowed{
        {"core/malware/XProtectStatus.h", "CoreServices/XProtect.bundle/", "the bundle's file path"},
        {"core/apps/AppMatch.cpp", "macos", "a part of a reverse-DNS identifier, matched, never shown"},
        {"core/malware/ThreatSignatures.cpp", "Advanced Mac Cleaner", "an adware product's own name"},
        {"core/malware/ThreatSignatures.cpp", "Mac Auto Fixer", "an adware product's own name"},
        {"app/navigation/QuillmereModule.cpp", "Mac Health", "the health module's id, never shown"},
        {"app/qml/shell/RootView.qml", "Mac Health",
         "the health module's id in the screen table, never shown"},
    };
    return allowed;
}

bool isAllowed(const std::string& file, const std::string& literal)
{
    return std::any_of(allowList().begin(), allowList().end(), [&](const Allowed& entry) {
        return file == entry.file && literal.find(entry.text) != std::string::npos;
    });
}

std::vector<Literal> literalsOf(const std::string& source, Language language)
{
    return LiteralScanner(source, language).scan();
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct SourceFile
{
    std::string relative; // under src/
    Language language;
};

std::vector<SourceFile> shippedSources()
{
    const fs::path root = QM_SOURCE_DIR;
    std::vector<SourceFile> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const std::string extension = entry.path().extension().string();
        Language language;
        if (extension == ".cpp" || extension == ".h")
            language = Language::cpp;
        else if (extension == ".qml" || extension == ".js")
            language = Language::qml;
        else
            continue;
        files.push_back({fs::relative(entry.path(), root).generic_string(), language});
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.relative < b.relative; });
    return files;
}

TEST(ShownWords, NoShippedTextNamesTheOtherPlatform)
{
    const std::vector<SourceFile> files = shippedSources();
    ASSERT_GT(files.size(), 100u) << "the sources under " << QM_SOURCE_DIR << " were not found";

    std::vector<bool> allowUsed(allowList().size(), false);
    for (const SourceFile& file : files) {
        const std::string source = readAll(fs::path(QM_SOURCE_DIR) / file.relative);
        for (const Literal& literal : literalsOf(source, file.language)) {
            const std::string found = forbiddenIn(literal.text);
            if (found.empty())
                continue;
            for (std::size_t i = 0; i < allowList().size(); ++i) {
                if (file.relative == allowList()[i].file &&
                    literal.text.find(allowList()[i].text) != std::string::npos)
                    allowUsed[i] = true;
            }
            EXPECT_TRUE(isAllowed(file.relative, literal.text))
                << "src/" << file.relative << ":" << literal.line << " says " << found << ": \""
                << literal.text << "\"";
        }
    }
    for (std::size_t i = 0; i < allowList().size(); ++i) {
        EXPECT_TRUE(allowUsed[i]) << "the allow-list entry \"" << allowList()[i].text << "\" in "
                                  << allowList()[i].file << " matches nothing any more: drop it";
    }
}

// What the desktop shows of the packaging (the menu entry, the software centre's page, the polkit
// prompts) is shipped text too: every line of those files counts.
TEST(ShownWords, NoPackagingTextNamesTheOtherPlatform)
{
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(QM_PACKAGING_DIR)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "CMakeLists.txt" || entry.path().extension() == ".svg")
            continue;
        ++files;
        std::istringstream lines(readAll(entry.path()));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            EXPECT_EQ(forbiddenIn(line), "") << "packaging/" << name << ":" << number << ": " << line;
        }
    }
    EXPECT_GE(files, 4) << "the packaging files under " << QM_PACKAGING_DIR << " were not found";
}

// The scanner sees what a reader of the screens would see, and only that.
TEST(ShownWords, ScannerFindsTheWordsInLiteralsOnly)
{
    struct Case
    {
        const char* what;
        Language language;
        const char* source;
        const char* expected; // the forbidden words found, joined over every literal with " | "
    };
    const Case cases[] = {
        {"a word in a C++ literal", Language::cpp, R"(auto t = QStringLiteral("Your Mac is tidy");)", "Mac"},
        {"a word after an escape", Language::cpp, R"(auto t = u"Reset\u2014macOS";)", "macOS"},
        {"adjacent C++ pieces join", Language::cpp,
         "auto t = QStringLiteral(\"Grant Full Disk \"\n  \"Access\");", "Full Disk Access"},
        {"a raw string", Language::cpp, "auto t = R\"x(in \"Finder\")x\";", "Finder"},
        {"comments, identifiers and includes are not text", Language::cpp,
         "#include \"core/malware/XProtectStatus.h\"\n// the Mac's Finder\n/* iCloud */ LeftoverFinder f; "
         "int n = 3'888'000; char q = '\"'; auto t = \"Machine · Macintosh-free\";",
         ""},
        {"a character literal does not open a string", Language::cpp, "char q = '\"'; auto t = \"iCloud\";",
         "iCloud"},
        {"QML strings in both quotes and template text", Language::qml,
         "Text { text: \"Open in Finder\"; other: 'System Settings'; t: `on this Mac` }",
         "Finder | System Settings | Mac"},
        {"a QML regular expression is not a string", Language::qml,
         "function f(t) { return t.replace(/\"/g, \"'\").replace(/\\*\\*(.+?)\\*\\*/g, \"<b>$1</b>\") }\n"
         "property string s: \"App Store\"",
         "App Store"},
        {"a QML division is not a regular expression", Language::qml,
         "x: (a) / 2 + b / \"Full disk access\".length", "Full Disk Access"},
        {"QML imports and comments are not text", Language::qml, "import \"Finder\"\n// your Mac\nItem {}",
         ""},
        {"the other platform's mechanics, whole phrases in any letter case", Language::qml,
         "Text { a: \"Its Launch Agent file\"; b: \"in its Flatpak sandbox\"; c: \"launch daemons\"; "
         "d: \"Some Library folders\"; e: \"the app's sandbox container\"; f: \"a launcher agent\" }",
         "launch agent | launch daemon | Library folder | sandbox container"},
    };
    for (const Case& c : cases) {
        std::string found;
        for (const Literal& literal : literalsOf(c.source, c.language)) {
            const std::string words = forbiddenIn(literal.text);
            if (!words.empty())
                found += (found.empty() ? "" : " | ") + words;
        }
        EXPECT_EQ(found, c.expected) << c.what;
    }
}

// A literal as shown: C++ and JavaScript escapes turned into the characters they stand for.
std::string decoded(const std::string& literal)
{
    std::string out;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] != '\\' || i + 1 == literal.size()) {
            out += literal[i];
            continue;
        }
        const char c = literal[++i];
        if (c == 'u' && i + 4 < literal.size()) {
            const unsigned code = unsigned(std::stoul(literal.substr(i + 1, 4), nullptr, 16));
            i += 4;
            if (code < 0x80) {
                out += char(code);
            } else if (code < 0x800) {
                out += char(0xC0 | (code >> 6));
                out += char(0x80 | (code & 0x3F));
            } else {
                out += char(0xE0 | (code >> 12));
                out += char(0x80 | ((code >> 6) & 0x3F));
                out += char(0x80 | (code & 0x3F));
            }
        } else {
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

// One row of the README's words table: the other platform's texts and this platform's, each as
// quoted there.
struct WordsRow
{
    int line = 0;
    std::vector<std::string> other;
    std::vector<std::string> here;
};

std::vector<std::string> quotedIn(const std::string& cell)
{
    static const std::regex quoted("\"([^\"]+)\"");
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(cell.begin(), cell.end(), quoted); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1].str());
    return out;
}

// The rows of the table under "## Words of this platform", header and rule lines left out.
std::vector<WordsRow> wordsTable(const std::string& readme)
{
    std::vector<WordsRow> rows;
    std::istringstream lines(readme);
    std::string line;
    bool inSection = false;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## Words of this platform";
            continue;
        }
        if (!inSection || line.rfind("| ", 0) != 0 || line.rfind("| the other platform", 0) == 0)
            continue;
        const std::size_t middle = line.find(" | ");
        if (middle == std::string::npos)
            continue;
        rows.push_back({number, quotedIn(line.substr(0, middle)), quotedIn(line.substr(middle + 3))});
    }
    return rows;
}

// The pieces of a quoted text between its ellipses (an ellipsis stands for words left out).
std::vector<std::string> piecesOf(const std::string& text)
{
    static const std::string ellipsis = "\u2026";
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(ellipsis, start)) != std::string::npos; start = at + ellipsis.size())
        pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    pieces.erase(
        std::remove_if(pieces.begin(), pieces.end(),
                       [](const std::string& p) { return p.find_first_not_of(' ') == std::string::npos; }),
        pieces.end());
    return pieces;
}

// Whether `literal` holds `piece` as whole words (a letter or digit at either end of the piece is
// not part of a longer word in the literal).
bool holdsPhrase(const std::string& literal, const std::string& piece)
{
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t at = literal.find(piece); at != std::string::npos; at = literal.find(piece, at + 1)) {
        const std::size_t end = at + piece.size();
        const bool startsClean = !word(piece.front()) || at == 0 || !word(literal[at - 1]);
        const bool endsClean = !word(piece.back()) || end == literal.size() || !word(literal[end]);
        if (startsClean && endsClean)
            return true;
    }
    return false;
}

// One table explains every text that departs from the other platform's: each text a row shows for
// this platform is a literal under src/ (or a piece of one, where an ellipsis leaves words out), and
// no literal under src/ still holds a text a row names as the other platform's (the allow-list's
// file paths, identifiers and product names aside).
TEST(ShownWords, TheWordsTableMatchesTheSources)
{
    const std::vector<WordsRow> rows = wordsTable(readAll(fs::path(QM_SOURCE_DIR) / ".." / "README.md"));
    ASSERT_GT(rows.size(), 10u) << "the README's words table was not found";

    struct Shown
    {
        std::string file;
        int line;
        std::string raw;
        std::string text;
    };
    std::vector<Shown> literals;
    for (const SourceFile& file : shippedSources()) {
        const std::string source = readAll(fs::path(QM_SOURCE_DIR) / file.relative);
        for (const Literal& literal : literalsOf(source, file.language))
            literals.push_back({file.relative, literal.line, literal.text, decoded(literal.text)});
    }

    for (const WordsRow& row : rows) {
        EXPECT_FALSE(row.other.empty() && row.here.empty()) << "README.md:" << row.line << " quotes nothing";
        for (const std::string& text : row.here) {
            for (const std::string& piece : piecesOf(text)) {
                const bool found = std::any_of(literals.begin(), literals.end(), [&](const Shown& shown) {
                    return shown.text.find(piece) != std::string::npos;
                });
                EXPECT_TRUE(found) << "README.md:" << row.line << ": \"" << piece
                                   << "\" is shown here, but no literal under src/ holds it";
            }
        }
        for (const std::string& text : row.other) {
            const std::vector<std::string> pieces = piecesOf(text);
            for (const Shown& shown : literals) {
                const bool holds =
                    !pieces.empty() && std::all_of(pieces.begin(), pieces.end(), [&](const std::string& p) {
                        return holdsPhrase(shown.text, p);
                    });
                EXPECT_FALSE(holds && !isAllowed(shown.file, shown.raw))
                    << "src/" << shown.file << ":" << shown.line << " still says the other platform's \""
                    << text << "\" (README.md:" << row.line << ")";
            }
        }
    }
}

} // namespace
