// VANTIX_CIPHER_PATH=table|scalar|ssse3|avx2|avx512 limits the cipher cores for a whole
// test run, so that the known-answer, golden-file and engine suites run on each core.
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "gost28147/round_table.h"

namespace {

struct CipherPathFromEnvironment : ::testing::Environment {
    void SetUp() override {
        const char* v = std::getenv("VANTIX_CIPHER_PATH");
        if (v == nullptr || *v == 0) return;
        static const char* const names[] = {"table", "scalar", "ssse3", "avx2", "avx512"};
        for (int i = 0; i < 5; ++i) {
            if (std::strcmp(v, names[i]) == 0) {
                ASSERT_TRUE(vantix::cipher_path_limit(vantix::CipherPath(i))) << "the processor lacks " << v;
                return;
            }
        }
        FAIL() << "unknown VANTIX_CIPHER_PATH " << v;
    }
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new CipherPathFromEnvironment);

}  // namespace
