#pragma once
// The keys of one run: those read from --key-file (tried on every note) and those typed on
// the terminal, asked for once per key name. Keys live in wiped storage and in key holders
// that are made once per key, so a thousand notes under one key expand it once.

#include "Commands.h"

#include "codec/CipherEnvelope.h"
#include "codec/Result.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qb::cli {

struct Context;

class CKeyRing {
public:
    // ask may be empty: then only the given keys are tried.
    CKeyRing(std::vector<SecretText> given, KeySource ask);

    // The document inside a note: the key typed for its name, then each given key, then (once
    // per name) a key asked for by that name. The error is one line for the user.
    Result<Bytes, std::string> Open(const DecodedEnvelope& note);
    // The key to save under keyName: the first given key, else one asked for once.
    std::optional<SecretText> KeyFor(const std::string& keyName, std::string& error);

private:
    struct Held {
        SecretText key;
        std::unique_ptr<CCipherEnvelope> holder;
    };
    static Held MakeHeld(SecretText key);

    std::vector<Held> m_given;
    std::map<std::string, std::optional<Held>> m_typed; // nothing: asked, and none was had
    KeySource m_ask;
};

// The keys a command was given: every --key-file, and the terminal only when there was none.
// Nothing, with error set, when a key file cannot be read.
std::optional<CKeyRing> KeyRingFor(const Context& context, std::string& error);
// One key for wrap and unwrap: the first --key-file, else the terminal.
KeySource SingleKeySource(const Context& context);

} // namespace qb::cli
