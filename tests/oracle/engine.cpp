#include "oracle/engine.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "unit/hex.h"

namespace {
std::string scratch_dir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/vantix-oracle-XXXXXX";
        const char* d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}
}  // namespace

std::string run_command(const std::string& cmd, int* status) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int st = pclose(p);
    if (status) *status = st;
    return out;
}

std::string scratch_file(const std::string& name, const std::vector<uint8_t>& data) {
    const std::string path = scratch_dir() + "/" + name;
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return path;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> engine_encrypt(const std::string& cipher, const std::string& params,
                                    const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                    const std::vector<uint8_t>& data) {
    const std::string in = scratch_file("enc.in", data);
    const std::string out = in + ".out";
    std::remove(out.c_str());
    const std::string cmd = "CRYPT_PARAMS=" + params + " openssl enc -engine gost -" + cipher + " -K " + hex(key) +
                            " -iv " + hex(iv) + " -in " + in + " -out " + out + " >/dev/null 2>&1";
    int status = 0;
    run_command(cmd, &status);
    if (status != 0) return {};
    return read_file(out);
}

std::vector<uint8_t> engine_mac(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
    const std::string in = scratch_file("mac.in", data);
    int status = 0;
    const std::string out = run_command(
        "openssl dgst -engine gost -mac gost-mac -macopt hexkey:" + hex(key) + " " + in + " 2>/dev/null", &status);
    const size_t eq = out.rfind("= ");
    if (status != 0 || eq == std::string::npos) return {};
    return unhex(out.substr(eq + 2));
}

std::vector<uint8_t> swap_groups(std::vector<uint8_t> v) {
    for (size_t i = 0; i + 4 <= v.size(); i += 4) {
        std::swap(v[i], v[i + 3]);
        std::swap(v[i + 1], v[i + 2]);
    }
    return v;
}
