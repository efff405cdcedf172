#include "KeyRing.h"

#include "CommandTable.h"
#include "KeyInput.h"

#include "codec/Note.h"

namespace qb::cli {
namespace {
constexpr const char* kNoTerminal = "no terminal to ask for the key: use --key-file";
}

CKeyRing::CKeyRing(std::vector<SecretText> given, KeySource ask) : m_ask(std::move(ask))
{
    for (SecretText& key : given)
        m_given.push_back(MakeHeld(std::move(key)));
}

CKeyRing::Held CKeyRing::MakeHeld(SecretText key)
{
    Held held{std::move(key), std::make_unique<CCipherEnvelope>()};
    held.holder->SetOpenKey(held.key.View());
    return held;
}

Result<Bytes, std::string> CKeyRing::Open(const DecodedEnvelope& note)
{
    NoteError last = NoteError::NoKey;
    auto tryHeld = [&](const Held& held) -> std::optional<Bytes> {
        auto opened = OpenNote(note, *held.holder);
        if (opened)
            return std::move(*opened);
        last = opened.error();
        return std::nullopt;
    };
    auto typed = m_typed.find(note.keyName);
    if (typed != m_typed.end() && typed->second) {
        if (auto opened = tryHeld(*typed->second))
            return std::move(*opened);
    }
    for (const Held& held : m_given) {
        if (auto opened = tryHeld(held))
            return std::move(*opened);
    }
    if (typed == m_typed.end() && m_ask) {
        std::string error;
        auto key = m_ask("Key \"" + note.keyName + "\": ", error);
        auto& slot = m_typed[note.keyName];
        if (key) {
            slot = MakeHeld(std::move(*key));
            if (auto opened = tryHeld(*slot))
                return std::move(*opened);
        }
    }
    if (last == NoteError::NoKey)
        return Fail("no key was given for it (its key is named \"" + note.keyName + "\")");
    std::string message(Describe(last));
    if (last == NoteError::WrongKey)
        message += " (its key is named \"" + note.keyName + "\")";
    return Fail(message);
}

std::optional<SecretText> CKeyRing::KeyFor(const std::string& keyName, std::string& error)
{
    if (!m_given.empty())
        return SecretText(m_given.front().key.View());
    auto found = m_typed.find(keyName);
    if (found == m_typed.end()) {
        if (!m_ask) {
            error = kNoTerminal;
            return std::nullopt;
        }
        auto key = m_ask("Key for \"" + keyName + "\": ", error);
        found = m_typed.emplace(keyName, key ? std::optional<Held>(MakeHeld(std::move(*key))) : std::nullopt).first;
        if (!key)
            return std::nullopt;
    }
    if (!found->second) {
        error = "no key for \"" + keyName + "\"";
        return std::nullopt;
    }
    return SecretText(found->second->key.View());
}

std::optional<CKeyRing> KeyRingFor(const Context& context, std::string& error)
{
    std::vector<SecretText> given;
    for (const std::string& path : context.args.Values("--key-file")) {
        auto key = ReadKeyFile(path, error);
        if (!key)
            return std::nullopt;
        given.push_back(std::move(*key));
    }
    KeySource ask = given.empty() ? context.env.askKey : KeySource();
    return CKeyRing(std::move(given), std::move(ask));
}

KeySource SingleKeySource(const Context& context)
{
    const std::string keyFile = context.args.Value("--key-file");
    const KeySource ask = context.env.askKey;
    return [keyFile, ask](const std::string& prompt, std::string& error) -> std::optional<SecretText> {
        if (!keyFile.empty())
            return ReadKeyFile(keyFile, error);
        if (!ask) {
            error = kNoTerminal;
            return std::nullopt;
        }
        return ask(prompt, error);
    };
}

} // namespace qb::cli
