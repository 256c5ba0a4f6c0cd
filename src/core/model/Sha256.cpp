#include "core/model/Sha256.h"

#include <openssl/evp.h>

namespace qm {
namespace {

// Fetched once: an implicit fetch on every init costs a provider look-up per file.
const EVP_MD* sha256Method()
{
    static EVP_MD* const method = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return method ? method : EVP_sha256();
}

} // namespace

struct Sha256::Context
{
    EVP_MD_CTX* ctx = nullptr;
    bool ok = false;
};

Sha256::Sha256() : m_context(std::make_unique<Context>())
{
    m_context->ctx = EVP_MD_CTX_new();
    m_context->ok = m_context->ctx && EVP_DigestInit_ex(m_context->ctx, sha256Method(), nullptr) == 1;
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context->ctx);
}

void Sha256::update(const void* bytes, std::size_t length)
{
    if (m_context->ok && length > 0 && EVP_DigestUpdate(m_context->ctx, bytes, length) != 1)
        m_context->ok = false;
}

std::optional<Sha256::Digest> Sha256::finishDigest()
{
    if (!m_context->ok)
        return std::nullopt;
    m_context->ok = false;
    Digest digest;
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context->ctx, digest.data(), &length) != 1 || length != digest.size())
        return std::nullopt;
    return digest;
}

std::string Sha256::finish()
{
    const std::optional<Digest> digest = finishDigest();
    if (!digest)
        return {};
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(digest->size() * 2);
    for (const std::uint8_t byte : *digest) {
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
}

} // namespace qm
