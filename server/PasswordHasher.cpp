#include "server/PasswordHasher.h"

#include <sodium.h>

namespace backend {

PasswordHasher::PasswordHasher(Cost cost)
    : opsLimit(cost == Cost::Interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE
                                         : crypto_pwhash_OPSLIMIT_MIN),
      memLimit(cost == Cost::Interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE
                                         : crypto_pwhash_MEMLIMIT_MIN) {
    // sodium_init is idempotent and thread-safe; the hasher is usually the
    // first user of libsodium in the process.
    if (sodium_init() < 0) {
        return;
    }
    decoyHash = hash("decoy password that matches nothing");
}

std::string PasswordHasher::hash(const std::string& password) const {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), opsLimit, memLimit) != 0) {
        return {};
    }
    return out;
}

bool PasswordHasher::verify(const std::string& password, const std::string& storedHash) const {
    if (storedHash.empty()) {
        return false;
    }
    return crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size()) == 0;
}

void PasswordHasher::verifyAgainstDecoy(const std::string& password) const {
    verify(password, decoyHash);
}

} // namespace backend
