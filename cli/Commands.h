#pragma once
// The commands of quillbox-cli, as plain functions over streams so that tests can run them.

#include "codec/Bytes.h"

#include <ctime>
#include <optional>
#include <string>

namespace qb::cli {

struct Result {
    bool ok = false;
    std::string error; // one line, set when !ok
};

// A document (RTF or any compressible file) to envelope text, as the editor stores a note.
std::optional<std::string> WrapDocument(ByteView document, const std::string& keyName, const std::string& key,
                                        std::string& error);
// Envelope text back to the document; a clear error for a wrong key or a damaged envelope.
std::optional<Bytes> UnwrapDocument(std::string_view envelopeText, const std::string& key, std::string& error,
                                    std::string* keyName = nullptr);
std::string MakeToken(const std::string& account, std::time_t now);
// rtf-text, rtf-html or rtf-roundtrip of RTF bytes, as the reader and writer see them.
// False with error set when the bytes are not RTF (out is empty) or when pictures could not
// be written (out holds the RTF without them). Needs a QGuiApplication.
bool RtfCommand(const std::string& command, std::string_view rtf, std::string& out, std::string& error);

int Run(int argc, char** argv);

} // namespace qb::cli
