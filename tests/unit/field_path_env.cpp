// VANTIX_FIELD_PATH=montgomery|portable|portable-montgomery limits the field arithmetic of
// the curve code for a whole test run (the default run takes the fastest this processor
// has), so that the signature, scalar multiplication and interoperability suites run on
// each path: Montgomery's method where a Plain shape would serve, the portable code where
// mulx would, or both.
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "gost3410/curve.h"

namespace {

struct FieldPathFromEnvironment : ::testing::Environment {
    void SetUp() override {
        const char* v = std::getenv("VANTIX_FIELD_PATH");
        if (v == nullptr || *v == 0) return;
        struct Name {
            const char* name;
            vantix::FieldPath path;
        };
        static const Name names[] = {{"montgomery", vantix::FieldPath::Montgomery},
                                     {"portable", vantix::FieldPath::Portable},
                                     {"portable-montgomery", vantix::FieldPath::PortableMontgomery}};
        for (const Name& n : names) {
            if (std::strcmp(v, n.name) == 0) {
                vantix::field_path_force(n.path);
                return;
            }
        }
        FAIL() << "unknown VANTIX_FIELD_PATH " << v;
    }
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new FieldPathFromEnvironment);

}  // namespace
