#include "ide/syntaxtable.h"

#include "ide/languagetable.h"

#include <cstring>
#include <iterator>

namespace brivo {

namespace {

using K = SyntaxKind;

constexpr char kCKeywords[] =
    "auto break case char const continue default do double else enum extern float for goto if inline int "
    "long register restrict return short signed sizeof static struct switch typedef union unsigned void "
    "volatile while _Bool bool true false NULL include define undef ifdef ifndef elif endif pragma";

const SyntaxRules kRules[] = {
    {"C", "c h", kCKeywords, {{"/*", "*/"}, {"//"}}, "\"'", '\\', false, ""},
    {"C++",
     "cpp cc cxx c++ hpp hh hxx h++ ipp",
     "auto break case char const continue default do double else enum extern float for goto if inline int "
     "long register return short signed sizeof static struct switch typedef union unsigned void volatile "
     "while bool true false include define undef ifdef ifndef elif endif pragma alignas alignof asm catch "
     "class concept consteval constexpr constinit const_cast co_await co_return co_yield decltype delete "
     "dynamic_cast explicit export friend mutable namespace new noexcept nullptr operator override final "
     "private protected public reinterpret_cast requires static_assert static_cast template this "
     "thread_local throw try typeid typename using virtual wchar_t char8_t char16_t char32_t",
     {{"/*", "*/"}, {"//"}},
     "\"'",
     '\\',
     false,
     ""},
    {"Java",
     "java cs kt kts swift",
     "abstract assert boolean break byte case catch char class const continue default do double else enum "
     "extends final finally float for goto if implements import instanceof int interface long native new "
     "package private protected public return short static strictfp super switch synchronized this throw "
     "throws transient try void volatile while var record yield true false null",
     {{"/*", "*/"}, {"//"}, {"\"\"\"", "\"\"\"", K::String}},
     "\"'",
     '\\',
     false,
     ""},
    {"Python",
     "py pyw pyi python",
     "False None True and as assert async await break class continue def del elif else except finally for "
     "from global if import in is lambda nonlocal not or pass raise return try while with yield match case "
     "self print",
     {{"\"\"\"", "\"\"\"", K::String}, {"'''", "'''", K::String}, {"#"}},
     "\"'",
     '\\',
     false,
     ""},
    // Documentation blocks run from a line that starts with "=" and a word to the line "=cut".
    {"Perl",
     "pl pm pod perl",
     "my our local sub if elsif else unless while until for foreach do last next redo return use no require "
     "package print printf say die warn eval defined undef and or not eq ne lt gt le ge cmp qw BEGIN END",
     {{"=pod", "=cut", K::Comment, true},
      {"=head1", "=cut", K::Comment, true},
      {"=head2", "=cut", K::Comment, true},
      {"=begin", "=cut", K::Comment, true},
      {"=over", "=cut", K::Comment, true},
      {"=encoding", "=cut", K::Comment, true},
      {"#"}},
     "\"'",
     '\\',
     false,
     ""},
    {"Ruby",
     "rb rake gemspec",
     "BEGIN END alias and begin break case class def do else elsif end ensure false for if in module next "
     "nil not or redo rescue retry return self super then true undef unless until when while yield require "
     "puts attr_accessor attr_reader",
     {{"=begin", "=end", K::Comment, true}, {"#"}},
     "\"'",
     '\\',
     false,
     ""},
    // Symbols hold dashes and stars ("let*", "multiple-value-bind"); a quote is an operator, not a string.
    {"Lisp",
     "lisp lsp l cl el scm ss",
     "defun defmacro defvar defparameter defconstant defstruct defclass defmethod lambda let let* flet "
     "labels "
     "if cond case when unless progn prog1 setq setf loop do dolist dotimes and or not car cdr cons list "
     "quote function format funcall apply return t nil",
     {{"#|", "|#"}, {";"}},
     "\"",
     '\\',
     false,
     "-*!?<>=/+"},
    // "^" escapes outside strings only: a backslash ends many a quoted path ("C:\dir\").
    {"Batch",
     "bat cmd",
     "echo set if else goto call exit for in do not exist defined errorlevel pause shift setlocal endlocal "
     "cd chdir pushd popd start title cls copy del erase move mkdir md rmdir rd ren type equ neq lss leq gtr "
     "geq off on nul",
     {{"rem", nullptr, K::Comment, true},
      {"@rem", nullptr, K::Comment, true},
      {"::", nullptr, K::Comment, true}},
     "\"",
     0,
     true,
     ""},
    {"Go",
     "go",
     "break case chan const continue default defer else fallthrough for func go goto if import interface map "
     "package range return select struct switch type var true false nil iota bool byte int int8 int16 int32 "
     "int64 uint uint8 uint16 uint32 uint64 uintptr float32 float64 complex64 complex128 string rune error "
     "any make new len cap append copy delete panic recover",
     {{"/*", "*/"}, {"//"}, {"`", "`", K::String}},
     "\"'",
     '\\',
     false,
     ""},
    // Apostrophes are common in a page's text: only double quotes open strings.
    {"HTML",
     "html htm xhtml",
     "!doctype html head body title meta link script style div span p a img ul ol li dl dt dd table thead "
     "tbody tr td th form input button label select option textarea h1 h2 h3 h4 h5 h6 br hr header footer "
     "nav section article main aside pre code em strong b i u small canvas iframe video audio source",
     {{"<!--", "-->"}},
     "\"",
     0,
     true,
     "!"},
    {"Assembly",
     "asm s nasm",
     "mov movzx movsx add adc sub sbb mul imul div idiv inc dec and or xor not neg shl shr sal sar rol ror "
     "cmp test jmp je jne jz jnz jg jge jl jle ja jae jb jbe call ret push pop lea nop int syscall loop "
     "section segment global extern db dw dd dq resb resw resd resq equ times byte word dword qword ptr rax "
     "rbx rcx rdx rsi rdi rbp rsp r8 r9 r10 r11 r12 r13 r14 r15 eax ebx ecx edx esi edi ebp esp ax bx cx dx "
     "al ah bl bh cl ch dl dh",
     {{"/*", "*/"}, {";"}},
     "\"'",
     0,
     true,
     "."},
    // "#" opens a comment only where a word could start: "$#" and "${#name}" are counts, not comments.
    {"Shell",
     "sh bash zsh ksh",
     "if then else elif fi case esac for while until do done in function select return exit local export "
     "readonly declare unset shift break continue echo printf read set source alias trap eval exec test "
     "true false",
     {{"$#", "", K::Keyword}, {"${#", "", K::Keyword}, {"#"}},
     "\"'",
     '\\',
     false,
     ""},
    {"JavaScript",
     "js mjs cjs jsx ts tsx",
     "async await break case catch class const continue debugger default delete do else enum export extends "
     "finally for function if implements import in instanceof interface let new of return static super "
     "switch this throw try type typeof var void while with yield true false null undefined",
     {{"/*", "*/"}, {"//"}, {"`", "`", K::String}},
     "\"'",
     '\\',
     false,
     ""},
    {"Lua",
     "lua",
     "and break do else elseif end false for function goto if in local nil not or repeat return then true "
     "until while require print self",
     {{"--[[", "]]"}, {"--"}, {"[[", "]]", K::String}},
     "\"'",
     '\\',
     false,
     ""},
};

} // namespace

const SyntaxRules *syntaxForFile(const QString &path)
{
    for (const SyntaxRules &rules : kRules) {
        if (hasListedExtension(path, rules.extensions))
            return &rules;
    }
    return nullptr;
}

QList<const SyntaxRules *> syntaxTable()
{
    QList<const SyntaxRules *> rows;
    for (const SyntaxRules &rules : kRules)
        rows.append(&rules);
    return rows;
}

QTextCharFormat syntaxFormat(SyntaxKind kind)
{
    QTextCharFormat format;
    switch (kind) {
    case SyntaxKind::Keyword:
        format.setForeground(QColor(0x00, 0x33, 0x99));
        format.setFontWeight(QFont::Bold);
        break;
    case SyntaxKind::String:
        format.setForeground(QColor(0x0a, 0x7a, 0x1e));
        break;
    case SyntaxKind::Comment:
        format.setForeground(QColor(0x70, 0x70, 0x70));
        format.setFontItalic(true);
        break;
    case SyntaxKind::Number:
        format.setForeground(QColor(0x99, 0x22, 0x99));
        break;
    }
    return format;
}

SyntaxScanner::SyntaxScanner(const SyntaxRules &rules)
    : m_rules(rules), m_case(rules.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive)
{
    for (const QString &word :
         QString::fromLatin1(rules.keywords).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        m_keywords.insert(rules.caseInsensitive ? word.toLower() : word);
}

bool SyntaxScanner::isWordCharacter(QChar c) const
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') ||
           (c.unicode() < 0x80 && std::strchr(m_rules.wordCharacters, char(c.unicode())) && c != QChar());
}

// The length of `mark` when it stands at `position`, else 0. A mark that ends in a letter ("rem", "=cut")
// must end a word there, or "remove" would open a comment.
int SyntaxScanner::markAt(QStringView line, int position, const char *mark) const
{
    const QLatin1StringView text(mark);
    if (!line.mid(position).startsWith(text, m_case))
        return 0;
    const int end = position + int(text.size());
    if (QChar(text.back()).isLetter() && end < line.size() && isWordCharacter(line[end]))
        return 0;
    return int(text.size());
}

QList<SyntaxSpan> SyntaxScanner::scan(QStringView line, int stateIn, int *stateOut) const
{
    QList<SyntaxSpan> spans;
    const int length = int(line.size());
    const int delimitedCount = int(std::size(m_rules.delimited));
    int state =
        stateIn > 0 && stateIn <= delimitedCount && m_rules.delimited[stateIn - 1].close ? stateIn : 0;
    int spanStart = 0; // where the open multi-line stretch began on this line
    int i = 0;
    auto onlyBlanksBefore = [&](int position) {
        for (int j = 0; j < position; ++j) {
            if (!line[j].isSpace())
                return false;
        }
        return true;
    };
    for (;;) {
        if (state > 0) {
            const Delimited &open = m_rules.delimited[state - 1];
            int end = -1;
            if (open.atLineStart) {
                // The closing line is part of the stretch.
                int first = 0;
                while (first < length && line[first].isSpace())
                    ++first;
                if (markAt(line, first, open.close))
                    end = length;
            } else {
                const int at = int(line.indexOf(QLatin1StringView(open.close), i, m_case));
                if (at >= 0)
                    end = at + int(std::strlen(open.close));
            }
            if (end < 0) {
                spans.append({spanStart, length - spanStart, open.kind});
                *stateOut = state;
                return spans;
            }
            spans.append({spanStart, end - spanStart, open.kind});
            i = end;
            state = 0;
        }
        if (i >= length)
            break;

        bool opened = false;
        for (int k = 0; k < delimitedCount && m_rules.delimited[k].open; ++k) {
            const Delimited &d = m_rules.delimited[k];
            if (d.atLineStart && !onlyBlanksBefore(i))
                continue;
            const int markLength = markAt(line, i, d.open);
            if (!markLength)
                continue;
            if (!d.close) {
                spans.append({i, length - i, d.kind});
                *stateOut = 0;
                return spans;
            }
            if (!*d.close) {
                spans.append({i, markLength, d.kind});
                i += markLength;
                opened = true;
                break;
            }
            spanStart = i;
            // A stretch that opens a line closes on a later one.
            i = d.atLineStart ? length : i + markLength;
            state = k + 1;
            opened = true;
            break;
        }
        if (opened) {
            if (i >= length && state > 0) {
                spans.append({spanStart, length - spanStart, m_rules.delimited[state - 1].kind});
                *stateOut = state;
                return spans;
            }
            continue;
        }

        const QChar c = line[i];
        if (c.unicode() < 0x80 && c != QChar() && std::strchr(m_rules.quotes, char(c.unicode()))) {
            int j = i + 1;
            while (j < length) {
                if (m_rules.escape && line[j] == QLatin1Char(m_rules.escape)) {
                    j += 2;
                    continue;
                }
                if (line[j++] == c)
                    break;
            }
            j = qMin(j, length);
            spans.append({i, j - i, SyntaxKind::String});
            i = j;
        } else if (isWordCharacter(c)) {
            int j = i + 1;
            while (j < length && isWordCharacter(line[j]))
                ++j;
            const QString word = line.mid(i, j - i).toString();
            if (c.isDigit())
                spans.append({i, j - i, SyntaxKind::Number});
            else if (m_keywords.contains(m_rules.caseInsensitive ? word.toLower() : word))
                spans.append({i, j - i, SyntaxKind::Keyword});
            i = j;
        } else {
            ++i;
        }
    }
    *stateOut = 0;
    return spans;
}

} // namespace brivo
