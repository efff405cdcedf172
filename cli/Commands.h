#pragma once
// The commands of quillbox-cli, as plain functions over streams so that tests can run them.

#include "codec/Result.h"
#include "codec/SecureWipe.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace qb::cli {

// Where wrap and unwrap get their key; the prompt names the key. Nothing, with the error
// set, when no key can be had.
using KeySource = std::function<std::optional<SecretText>(const std::string& prompt, std::string& error)>;

// A document (RTF or any compressible file) to envelope text, as the editor stores a note;
// on failure the one line the tool prints.
Result<std::string, std::string> WrapCommand(std::string_view document, const std::string& keyName,
                                             const KeySource& keySource);
// Envelope text back to the document. The key is asked for by the name the note carries.
Result<std::string, std::string> UnwrapCommand(std::string_view envelopeText, const KeySource& keySource);
std::string MakeToken(const std::string& account, std::time_t now);
// rtf-text, rtf-html or rtf-roundtrip of RTF bytes, as the reader and writer see them.
// False with error set when the bytes are not RTF (out is empty) or when pictures could not
// be written (out holds the RTF without them). Needs a QGuiApplication.
bool RtfCommand(const std::string& command, std::string_view rtf, std::string& out, std::string& error);

int Run(int argc, char** argv);

} // namespace qb::cli
