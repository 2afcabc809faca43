// The GOST R 34.10-2001 parameter sets used by the tests and benchmarks, as big-endian hex:
// the standard's test set (GOST R 34.10-2001, appendix A.1) and CryptoPro A, B and C (RFC
// 4357, section 11.4). The names are libgcrypt's curve names.
#pragma once
#include <cstring>

#include "gost3410/params.h"
#include "jni/java_forms.h"
#include "unit/hex.h"

struct ParamSetHex {
    const char* name;
    const char *p, *q, *a, *b, *x, *y;
};

inline constexpr ParamSetHex kTestSet{"GOST2001-test",
                                      "8000000000000000000000000000000000000000000000000000000000000431",
                                      "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3",
                                      "0000000000000000000000000000000000000000000000000000000000000007",
                                      "5FBFF498AA938CE739B8E022FBAFEF40563F6E6A3472FC2A514C0CE9DAE23B7E",
                                      "0000000000000000000000000000000000000000000000000000000000000002",
                                      "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8"};
inline constexpr ParamSetHex kCryptoProA{"GOST2001-CryptoPro-A",
                                         "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
                                         "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893",
                                         "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94",
                                         "00000000000000000000000000000000000000000000000000000000000000A6",
                                         "0000000000000000000000000000000000000000000000000000000000000001",
                                         "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"};
inline constexpr ParamSetHex kCryptoProB{"GOST2001-CryptoPro-B",
                                         "8000000000000000000000000000000000000000000000000000000000000C99",
                                         "800000000000000000000000000000015F700CFFF1A624E5E497161BCC8A198F",
                                         "8000000000000000000000000000000000000000000000000000000000000C96",
                                         "3E1AF419A269A5F866A7D3C25C3DF80AE979259373FF2B182F49D4CE7E1BBC8B",
                                         "0000000000000000000000000000000000000000000000000000000000000001",
                                         "3FA8124359F96680B83D1C3EB2C070E5C545C9858D03ECFB744BF8D717717EFC"};
inline constexpr ParamSetHex kCryptoProC{"GOST2001-CryptoPro-C",
                                         "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D759B",
                                         "9B9F605F5A858107AB1EC85E6B41C8AA582CA3511EDDFB74F02F3A6598980BB9",
                                         "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D7598",
                                         "000000000000000000000000000000000000000000000000000000000000805A",
                                         "0000000000000000000000000000000000000000000000000000000000000000",
                                         "41ECE55743711A8C3CBF3783CD08C0EE4D4DC440D4641A8F366E550DFDB3BB67"};

// The base point as an LPoint record in external form (big-endian X and Y).
inline vantix::LPoint param_set_point(const ParamSetHex& s) {
    vantix::LPoint g{};
    const auto x = unhex(s.x), y = unhex(s.y);
    std::memcpy(g.x, x.data(), 32);
    std::memcpy(g.y, y.data(), 32);
    return g;
}

// A record in external form as the operations take it (native words), and back: the
// exports' conversions.
inline vantix::LPoint native_point(const vantix::LPoint& record) {
    vantix::LPoint p{};
    vantix::jni::point_from_java(&p, &record);
    return p;
}
inline vantix::LPoint record_point(const vantix::LPoint& native) {
    vantix::LPoint r{};
    vantix::jni::point_to_java(&r, &native);
    return r;
}

// Loads the set into a context with explicit values; the result of set_parms.
inline int load_param_set(vantix::SignContext* ctx, vantix::RND_State* rnd, const ParamSetHex& s) {
    const auto p = unhex(s.p), q = unhex(s.q), a = unhex(s.a), b = unhex(s.b);
    const vantix::LPoint g = native_point(param_set_point(s));
    return vantix::sign_set_parms(ctx, rnd, p.data(), 32, q.data(), 32, a.data(), b.data(), &g);
}
