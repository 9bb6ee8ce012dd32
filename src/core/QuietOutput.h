#pragma once

#include <iostream>
#include <streambuf>

// While it lives, standard output goes nowhere: for running an attempt
// whose narration nobody asked for (a replay played to learn its score)
// inside a program whose output is its record. A benchmark silences the
// errors too, so that its figures do not measure the terminal.
class QuietOutput {
public:
    enum class Also { Nothing, Errors };

    explicit QuietOutput(Also also = Also::Nothing)
        : saved(std::cout.rdbuf(&nowhere)),
          savedErrors(also == Also::Errors ? std::cerr.rdbuf(&nowhere) : nullptr) {}
    ~QuietOutput() {
        std::cout.rdbuf(saved);
        if (savedErrors != nullptr) {
            std::cerr.rdbuf(savedErrors);
        }
    }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    class Nowhere : public std::streambuf {
    protected:
        int overflow(int c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    };
    Nowhere nowhere;
    std::streambuf* saved;
    std::streambuf* savedErrors;
};
