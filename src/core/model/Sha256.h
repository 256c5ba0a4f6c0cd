#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qm {

// An incremental SHA-256 (FIPS 180-4) through OpenSSL's EVP interface, ending in the digest as 64
// lowercase hexadecimal characters. One object hashes one input; it is not thread-safe, but any number
// may run at once. Never throws: a failure of the library (which does not happen with the default
// provider) makes `finish` give an empty text.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // Feeds `length` bytes; a length of 0 changes nothing.
    void update(const void* bytes, std::size_t length);
    // The digest of everything fed so far as lowercase hex ("%02x" per byte, no separator); empty when
    // the library failed. Ends this object's use: further calls give an empty text.
    std::string finish();

    // The 32 bytes of a digest.
    using Digest = std::array<std::uint8_t, 32>;
    // The digest of everything fed so far as its bytes, for callers that compare digests rather than
    // show them; nothing when the library failed. Ends this object's use as `finish` does.
    std::optional<Digest> finishDigest();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

} // namespace qm
