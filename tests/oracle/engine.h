// Runs the OpenSSL gost engine through the openssl command, one process per call, so the
// CRYPT_PARAMS table selection applies to exactly that call.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// `openssl enc -engine gost -<cipher>` over data; empty result on failure.
std::vector<uint8_t> engine_encrypt(const std::string& cipher, const std::string& params,
                                    const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                    const std::vector<uint8_t>& data);

// `openssl dgst -engine gost -mac gost-mac`: the 4-byte MAC; empty on failure.
std::vector<uint8_t> engine_mac(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data);

// Runs a shell command; returns its standard output.
std::string run_command(const std::string& cmd, int* status);

// Writes a file into the test's scratch directory and returns its path.
std::string scratch_file(const std::string& name, const std::vector<uint8_t>& data);
std::vector<uint8_t> read_file(const std::string& path);

// The engine reads key, vector and data words little-endian; this library reads them
// big-endian. Reversing every 4-byte group converts a byte string from one convention to
// the other (and back).
std::vector<uint8_t> swap_groups(std::vector<uint8_t> v);
