#include "base/comframe/registry_script_parser.h"

#include <cwctype>

namespace nvx::com {
namespace {

struct MalformedScript {};

enum class TokenKind { Word, Quoted, Open, Close, Equals, End };

struct Token {
    TokenKind kind;
    std::wstring text;
};

class Tokenizer {
public:
    explicit Tokenizer(std::wstring_view text) : text_(text) {}

    Token Next()
    {
        SkipSpace();
        if (position_ >= text_.size()) return {TokenKind::End, {}};
        const wchar_t c = text_[position_];
        if (c == L'=') return Single(TokenKind::Equals);
        if (c == L'}') return Single(TokenKind::Close);
        if (c == L'{') return BracedGuidAhead() ? Word() : Single(TokenKind::Open);
        if (c == L'\'') return Quoted();
        return Word();
    }

private:
    void SkipSpace()
    {
        while (position_ < text_.size() && std::iswspace(text_[position_])) ++position_;
    }

    Token Single(TokenKind kind)
    {
        ++position_;
        return {kind, {}};
    }

    // "{" directly followed by a hex digit begins a GUID key name, not a block.
    bool BracedGuidAhead() const { return position_ + 1 < text_.size() && std::iswxdigit(text_[position_ + 1]); }

    Token Word()
    {
        const size_t start = position_;
        const bool braced = text_[position_] == L'{';
        while (position_ < text_.size()) {
            const wchar_t c = text_[position_];
            if (braced) {
                ++position_;
                if (c == L'}') break;
                continue;
            }
            if (std::iswspace(c) || c == L'=' || c == L'{' || c == L'}' || c == L'\'') break;
            ++position_;
        }
        return {TokenKind::Word, std::wstring(text_.substr(start, position_ - start))};
    }

    Token Quoted()
    {
        std::wstring text;
        ++position_;
        while (position_ < text_.size()) {
            const wchar_t c = text_[position_++];
            if (c != L'\'') {
                text.push_back(c);
                continue;
            }
            if (position_ < text_.size() && text_[position_] == L'\'') {
                text.push_back(L'\'');
                ++position_;
                continue;
            }
            return {TokenKind::Quoted, std::move(text)};
        }
        throw MalformedScript{};
    }

    std::wstring_view text_;
    size_t position_ = 0;
};

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Keywords and root names are matched without regard to the case of their
// ASCII letters.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::optional<RegistryRoot> RootKey(std::wstring_view name)
{
    if (EqualsNoCase(name, L"HKCR") || EqualsNoCase(name, L"HKEY_CLASSES_ROOT")) return RegistryRoot::ClassesRoot;
    if (EqualsNoCase(name, L"HKCU") || EqualsNoCase(name, L"HKEY_CURRENT_USER")) return RegistryRoot::CurrentUser;
    if (EqualsNoCase(name, L"HKLM") || EqualsNoCase(name, L"HKEY_LOCAL_MACHINE")) return RegistryRoot::LocalMachine;
    if (EqualsNoCase(name, L"HKU") || EqualsNoCase(name, L"HKEY_USERS")) return RegistryRoot::Users;
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(std::wstring_view text) : tokens_(text) { Advance(); }

    std::vector<ScriptRoot> Roots()
    {
        std::vector<ScriptRoot> roots;
        while (current_.kind != TokenKind::End) {
            const auto root = RootKey(Expect(TokenKind::Word).text);
            if (!root) throw MalformedScript{};
            Expect(TokenKind::Open);
            roots.push_back({*root, Keys()});
        }
        return roots;
    }

private:
    void Advance() { current_ = tokens_.Next(); }

    Token Expect(TokenKind kind)
    {
        if (current_.kind != kind) throw MalformedScript{};
        Token token = std::move(current_);
        Advance();
        return token;
    }

    std::wstring Name()
    {
        if (current_.kind != TokenKind::Word && current_.kind != TokenKind::Quoted) throw MalformedScript{};
        return Expect(current_.kind).text;
    }

    // Reads "= s 'text'" or "= d 'number'" after a name.
    ScriptValue Assignment(std::wstring name)
    {
        Expect(TokenKind::Equals);
        const std::wstring type = Expect(TokenKind::Word).text;
        if (type != L"s" && type != L"d") throw MalformedScript{};
        ScriptValue value{std::move(name), type[0], {}};
        value.text = current_.kind == TokenKind::Quoted ? Expect(TokenKind::Quoted).text : Expect(TokenKind::Word).text;
        return value;
    }

    // Keys and named values up to the closing brace of the enclosing block.
    std::vector<ScriptKey> Keys(ScriptKey* owner = nullptr, int depth = 1)
    {
        if (depth > kMaxScriptKeyDepth) throw MalformedScript{};
        std::vector<ScriptKey> keys;
        while (current_.kind != TokenKind::Close) {
            if (current_.kind == TokenKind::End) throw MalformedScript{};
            if (owner && current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"val")) {
                Advance();
                owner->values.push_back(Assignment(Name()));
                continue;
            }
            keys.push_back(Key(depth));
        }
        Advance();
        return keys;
    }

    ScriptKey Key(int depth)
    {
        ScriptKey key;
        if (current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"NoRemove")) {
            key.noRemove = true;
            Advance();
        } else if (current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"ForceRemove")) {
            key.forceRemove = true;
            Advance();
        }
        key.name = Name();
        if (current_.kind == TokenKind::Equals) key.defaultValue = Assignment({});
        if (current_.kind == TokenKind::Open) {
            Advance();
            key.subkeys = Keys(&key, depth + 1);
        }
        return key;
    }

    Tokenizer tokens_;
    Token current_{TokenKind::End, {}};
};

}  // namespace

std::optional<std::vector<ScriptRoot>> ParseRegistryScript(std::wstring_view script)
{
    try {
        return Parser(script).Roots();
    } catch (const MalformedScript&) {
        return std::nullopt;
    }
}

}  // namespace nvx::com
