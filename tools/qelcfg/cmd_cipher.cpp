// "qelcfg cipher encrypt IN OUT" and "qelcfg cipher decrypt IN OUT": the data cipher's file forms
// under the build's key root (the form "providers.bin" is stored in). The cipher's trace lines go
// to standard error. Exit codes: 0 done, 1 failed (the error is printed), 2 bad usage.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "commands.h"
#include "pim/cipher/data_cipher.h"

namespace qelcfg {
namespace {

int run(bool encrypt, const std::string& input, const std::string& output) {
    const DataCipherTrace trace = [](const char* text) { std::cerr << text; };
    const DWORD rc = encrypt ? EncryptFileW(input, output, trace) : DecryptFileW(input, output, trace);
    if (rc != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(rc));
        std::cerr << "qelcfg: " << (encrypt ? "encrypt" : "decrypt") << " failed: error " << rc << " (" << code
                  << ")\n";
        return 1;
    }
    std::cout << output << "\n";
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* cipher = app.add_subcommand("cipher", "Encrypt or decrypt a file with the data cipher");
    cipher->require_subcommand(1);
    for (const bool encrypt : {true, false}) {
        CLI::App* sub = cipher->add_subcommand(encrypt ? "encrypt" : "decrypt",
                                               encrypt ? "Encrypt IN into OUT" : "Decrypt IN into OUT");
        auto input = std::make_shared<std::string>();
        auto output = std::make_shared<std::string>();
        sub->add_option("IN", *input, "File to read")->required();
        sub->add_option("OUT", *output, "File to write")->required();
        sub->callback([encrypt, input, output] { set_exit_code(run(encrypt, *input, *output)); });
    }
}

CommandRegistrar registrar{86, setup};

}  // namespace
}  // namespace qelcfg
