#pragma once

#include <string>

namespace backend {

// Slow salted password hashes (Argon2id). The interactive cost is the one a
// real deployment uses; the minimal cost exists only so that test suites that
// create many accounts stay fast, and must never guard real passwords.
class PasswordHasher {
public:
    enum class Cost { Interactive, Minimal };

    explicit PasswordHasher(Cost cost = Cost::Interactive);

    // Empty text when hashing failed (out of memory).
    std::string hash(const std::string& password) const;

    // Whatever cost a stored hash was made with, it is verified with that
    // cost: the parameters travel inside the hash text.
    bool verify(const std::string& password, const std::string& storedHash) const;

    // Burns the time of one verification. Used when the e-mail is unknown so
    // that a wrong e-mail and a wrong password take the same time to refuse.
    void verifyAgainstDecoy(const std::string& password) const;

private:
    unsigned long long opsLimit;
    std::size_t memLimit;
    std::string decoyHash;
};

} // namespace backend
