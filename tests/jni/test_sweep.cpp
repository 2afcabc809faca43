// The hostile-caller sweep: every native method of every native class in the jar (the
// table is generated from the jar's class files, tests/sweep/NativeTable.java), every
// handle argument, every kind of bad handle, and every 4-byte word of every block kind
// rewritten (alone, as an address, and as an address with the marker rewritten too). No
// list of exports or fields is written here: a new entry point or field is swept as soon
// as it exists.
//
// For each method the sweep first learns, by trying every block kind in each handle
// position, which blocks let the call go furthest (success, or a code past the missing-
// argument checks); then it replaces one argument at a time. It asserts what holds for
// every export: no crash and no touch of memory the module does not own (the sanitizer
// build runs this program), every borrowed array released, only the documented exception
// classes, a refusal (15 or an exception) for a handle that is no live block of a fitting
// size, and a result code from the documented set. It prints the table of outcomes.
#ifdef VANTIX_NATIVE_TABLE
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gost3410/sign_context.h"
#include "jni/fake_jni.h"
#include "jni/module.h"
#include "unit/hex.h"
#include "unit/param_sets.h"

namespace {

struct SweepArg {
    jlong j = 0;
    jint i = 0;
    jbyteArray b = nullptr;
};

struct Native {
    const char* cls;
    const char* name;
    const char* desc;
    const char* symbol;
    jlong (*call)(void* sym, JNIEnv* env, const SweepArg* args);
};

const Native kNatives[] = {
#include "native_table.inc"
};

// The parameter letters of a descriptor: 'J', 'I', 'Z', 'B' (a byte array), '?' other.
std::vector<char> params_of(const char* desc) {
    std::vector<char> out;
    for (const char* p = desc + 1; *p != ')'; ++p) {
        if (*p == '[') {
            out.push_back(p[1] == 'B' ? 'B' : '?');
            while (*p == '[') ++p;
            if (*p == 'L') p = std::strchr(p, ';');
        } else if (*p == 'L') {
            out.push_back('?');
            p = std::strchr(p, ';');
        } else {
            out.push_back(*p);
        }
    }
    return out;
}
char return_of(const char* desc) { return std::strchr(desc, ')')[1]; }

// The good blocks a handle argument may get, each made fresh for every call.
// The last, the number 0, is for a long that is no handle (a length): it is learnt only
// where no block lets the call go further, and such an argument is not swept as a handle.
enum Kind { kRnd, kCom, kEcb, kGamma, kFeedback, kMac, kHash, kSign, kPoint, kRaw, kNumber, kKinds };
const char* const kKindNames[kKinds] = {"generator", "table", "simple replacement", "gamma", "feedback",
                                        "MAC",       "hash",  "signature",          "point", "raw 8 KiB",
                                        "number 0"};

// A signature context with parameters and both keys, as its 760 bytes: copied into a
// fresh block for every call (making the keys each time would cost more than the sweep).
using SignImage = std::vector<uint8_t>;

// One call's world: a FakeJni and the blocks made for it, all freed at the end.
class World {
public:
    World(jlong warm, const SignImage& sign) : warm_(warm), sign_(sign) {}
    ~World() {
        for (jlong h : owned_) VANTIX_CALL(mem_1free)(env(), nullptr, h);
    }
    JNIEnv* env() { return jni.env(); }

    jlong make(Kind k) {
        JNIEnv* e = env();
        jbyteArray key = jni.array(64, "key", 0x11), iv = jni.array(8, "iv", 1);
        switch (k) {
            case kRnd: return own(VANTIX_CALL(clone_1vantix_1RND_1State)(e, nullptr, warm_));
            case kCom: {
                const jlong t = own(VANTIX_CALL(vantix_1COM_1State)(e, nullptr));
                std::vector<uint8_t> sbox(128);
                for (size_t i = 0; i < sbox.size(); ++i) sbox[i] = uint8_t((i * 7 + 3) % 16);
                VANTIX_CALL(mem_1write)(e, nullptr, t, 0, jni.array(sbox, "sbox"), 0, 128);
                return t;
            }
            case kEcb: {
                const jlong c = own(VANTIX_CALL(vantix_1G28147_11989_1block)(e, nullptr));
                VANTIX_CALL(vantix_1G28147_11989_1block_1init)(e, nullptr, c, make(kCom), make(kRnd), key);
                return c;
            }
            case kGamma: {
                const jlong c = own(VANTIX_CALL(vantix_1G28147_11989_1gamma)(e, nullptr));
                VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(e, nullptr, c, make(kCom), make(kRnd), key, iv);
                return c;
            }
            case kFeedback: {
                const jlong c = own(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(e, nullptr));
                VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(e, nullptr, c, make(kCom), make(kRnd), key, iv);
                return c;
            }
            case kMac: {
                const jlong c = own(VANTIX_CALL(vantix_1G28147_11989_1mac)(e, nullptr));
                VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(e, nullptr, c, make(kCom), make(kRnd), key, iv);
                return c;
            }
            case kHash: {
                const jlong c = own(VANTIX_CALL(vantix_1R34_111_11994)(e, nullptr));
                VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(e, nullptr, c, make(kCom), make(kRnd), nullptr);
                return c;
            }
            case kSign: {
                const jlong c = own(VANTIX_CALL(vantix_1LR34_110_12001)(e, nullptr));
                if (sign_.empty()) {  // making the image
                    VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)
                    (e, nullptr, c, make(kRnd), nullptr, nullptr, nullptr, nullptr, 0);
                    VANTIX_CALL(vantix_1LR34_110_12001_1set_1secret_1key)(e, nullptr, c, key);
                    VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(e, nullptr, c);
                    return c;
                }
                VANTIX_CALL(mem_1write)(e, nullptr, c, 0, jni.array(sign_, "image"), 0, jint(sign_.size()));
                const jlong g = make(kRnd);
                write(c, offsetof(vantix::SignContext, rnd), &g, sizeof g);
                return c;
            }
            case kPoint: {
                const jlong pt = own(VANTIX_CALL(vantix_1LPoint)(e, nullptr));
                std::vector<uint8_t> xy = unhex(std::string(kTestSet.x) + kTestSet.y);
                VANTIX_CALL(mem_1write)(e, nullptr, pt, 0, jni.array(xy, "xy"), 0, 64);
                return pt;
            }
            case kNumber: return 0;
            case kRaw:
            case kKinds: break;
        }
        return own(VANTIX_CALL(mem_1alloc)(e, nullptr, 8192));
    }
    jlong own(jlong h) {
        owned_.push_back(h);
        return h;
    }
    jlong freed() {
        const jlong h = VANTIX_CALL(mem_1alloc)(env(), nullptr, 4096);
        VANTIX_CALL(mem_1free)(env(), nullptr, h);
        return h;
    }
    void write(jlong h, size_t offset, const void* value, size_t n) {
        std::vector<uint8_t> bytes(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + n);
        VANTIX_CALL(mem_1write)(env(), nullptr, h, jint(offset), jni.array(bytes, "field"), 0, jint(n));
    }

    FakeJni jni;

private:
    jlong warm_;
    const SignImage& sign_;
    std::vector<jlong> owned_;
};

// The answer of one call: the result (for a non-void export) and the exception raised.
struct Answer {
    jlong result = 0;
    std::string exception;
    bool refused(char ret) const {
        if (!exception.empty()) return true;
        if (ret == 'I') return result == 15;
        if (ret == 'J') return result == 0;
        return false;  // a void export without an exception did nothing it could report
    }
    std::string text(char ret) const {
        if (!exception.empty()) return exception.substr(exception.rfind('/') + 1);
        if (ret == 'V') return "returned";
        if (ret == 'J') return result == 0 ? "handle 0" : "handle";
        return "code " + std::to_string(result);
    }
};

const std::set<std::string> kDocumentedExceptions = {"",
                                                     "java/lang/NullPointerException",
                                                     "java/lang/IllegalStateException",
                                                     "java/lang/ArrayIndexOutOfBoundsException",
                                                     "java/lang/OutOfMemoryError",
                                                     "java/lang/IllegalArgumentException"};

bool documented_code(jlong r) { return (r >= 0 && r <= 9) || (r >= 14 && r <= 20); }

struct Sweep : ::testing::Test {
    FakeJni jni;
    jlong warm = 0;
    SignImage sign;
    // outcome counts: case -> answer -> count
    std::map<std::string, std::map<std::string, int>> table;

    void SetUp() override {
        JNIEnv* e = jni.env();
        warm = VANTIX_CALL(vantix_1RND_1State)(e, nullptr);
        VANTIX_CALL(vantix_1ForceRandom_1)(e, nullptr, warm, jni.array(64, "seed", 0x42));
        VANTIX_CALL(vantix_1Random_1Fill)(e, nullptr, warm, jni.array(32, "first"));  // the slow first draw, once
        World w(warm, sign);
        const jlong c = w.make(kSign);
        jbyteArray image = w.jni.array(vantix::SIGN_CONTEXT_BLOCK, "image");
        VANTIX_CALL(mem_1read)(w.env(), nullptr, c, 0, image, 0, jint(vantix::SIGN_CONTEXT_BLOCK));
        sign = w.jni.bytes(image);
    }
    void TearDown() override { VANTIX_CALL(mem_1free)(jni.env(), nullptr, warm); }

    // Arguments of one call: handles from `handle(position)`, arrays of 512 patterned bytes
    // (enough for every fixed-size array), ints 8 (a small valid offset, length or count).
    template <class HandleOf>
    Answer call(const Native& n, World& w, HandleOf handle) {
        const std::vector<char> ps = params_of(n.desc);
        std::vector<SweepArg> args(ps.size());
        for (size_t i = 0; i < ps.size(); ++i) {
            if (ps[i] == 'J') args[i].j = handle(i);
            if (ps[i] == 'I' || ps[i] == 'Z') args[i].i = 8;
            if (ps[i] == 'B')
                args[i].b = w.jni.array(512, std::string("a").append(std::to_string(i)), uint8_t(0x30 + i));
        }
        w.jni.clear();
        Answer a;
        a.result = n.call(module_symbol(n.symbol), w.env(), args.data());
        a.exception = w.jni.exception;
        EXPECT_EQ(w.jni.outstanding, 0) << n.name << ": an array was not released";
        EXPECT_TRUE(kDocumentedExceptions.count(a.exception)) << n.name << ": " << a.exception;
        if (return_of(n.desc) == 'I' && a.exception.empty()) {
            EXPECT_TRUE(documented_code(a.result)) << n.name << ": code " << a.result;
        }
        return a;
    }

    static int score(const Answer& a, char ret) {
        if (!a.exception.empty()) return 0;
        if (ret != 'I') return ret == 'J' && a.result == 0 ? 0 : 3;
        if (a.result == 0) return 3;
        if (a.result == 15) return 0;
        return a.result == 17 ? 1 : 2;
    }

    // Whether one call of the method with good arguments takes long (the containers derive
    // their keys by thousands of hash steps). The blocks they take are the generator's, whose
    // words the fast methods that take a generator rewrite anyway.
    bool slow(const Native& n, const std::vector<Kind>& kinds) {
        World w(warm, sign);
        const auto start = std::chrono::steady_clock::now();
        call(n, w, [&](size_t i) { return w.make(kinds[i]); });
        const auto took = std::chrono::steady_clock::now() - start;
        if (took > std::chrono::milliseconds(20)) std::printf("%s: slow, its words left to the fast methods\n", n.name);
        return took > std::chrono::milliseconds(20);
    }

    // The block kinds that let each handle argument go furthest (learnt once per method).
    std::vector<Kind> learn(const Native& n) {
        static std::map<std::string, std::vector<Kind>> learnt;
        auto found = learnt.find(n.symbol);
        if (found != learnt.end()) return found->second;
        return learnt[n.symbol] = learn_now(n);
    }
    // Greedy, one argument at a time, from two starts: every handle a raw block, or every
    // handle a plain number (where a long is a length, a block's address would make every
    // call refuse the length before it looks at the handles). The start that ends further wins.
    std::vector<Kind> learn_now(const Native& n) {
        int raw_score = 0, number_score = 0;
        std::vector<Kind> raw = learn_from(n, kRaw, &raw_score);
        std::vector<Kind> number = learn_from(n, kNumber, &number_score);
        return number_score > raw_score ? number : raw;
    }
    std::vector<Kind> learn_from(const Native& n, Kind start, int* final_score) {
        const std::vector<char> ps = params_of(n.desc);
        std::vector<Kind> best(ps.size(), start);
        // A second round only where another handle's choice can change the answer.
        const int rounds = std::count(ps.begin(), ps.end(), 'J') > 1 ? 2 : 1;
        int top = -1;
        for (int round = 0; round < rounds; ++round) {
            for (size_t p = 0; p < ps.size(); ++p) {
                if (ps[p] != 'J') continue;
                top = -1;
                for (int k = 0; k < kKinds; ++k) {
                    World w(warm, sign);
                    const Answer a = call(n, w, [&](size_t i) { return w.make(i == p ? Kind(k) : best[i]); });
                    const int s = score(a, return_of(n.desc));
                    if (s > top) top = s, best[p] = Kind(k);
                }
            }
        }
        *final_score = top;
        return best;
    }

    void note(const std::string& what, const std::string& answer) { ++table[what][answer]; }

    void print_table(const char* title) {
        std::printf("%s\n", title);
        for (const auto& [what, answers] : table) {
            std::printf("  %-44s", what.c_str());
            for (const auto& [answer, count] : answers) std::printf(" %s x%d;", answer.c_str(), count);
            std::printf("\n");
        }
    }
};

bool sweepable(const Native& n) {
    if (n.call == nullptr) return false;
    for (char c : params_of(n.desc))
        if (c == 'J') return true;
    return false;
}

}  // namespace

TEST_F(Sweep, TheTableHoldsEveryNativeMethod) {
    // The 63 methods of Vantix at least, each callable.
    int vantix = 0;
    for (const Native& n : kNatives) {
        if (std::strcmp(n.cls, "com/norvane/security/gost/Vantix") == 0) ++vantix;
        EXPECT_NE(n.call, nullptr) << n.cls << "." << n.name << n.desc << ": the sweep cannot pass its arguments";
        EXPECT_NE(module_symbol(n.symbol), nullptr);
    }
    EXPECT_EQ(vantix, 63);
}

// Every handle argument of every native method, with every kind of bad handle, the other
// arguments as the method wants them.
TEST_F(Sweep, EveryHandleArgumentWithEveryBadHandle) {
    struct Bad {
        const char* name;
        bool must_refuse;  // a handle that is no live block of a fitting size
        std::function<jlong(World&, jlong good)> make;
    };
    const std::vector<Bad> bads = {
        {"0", false, [](World&, jlong) { return jlong(0); }},
        {"-1", true, [](World&, jlong) { return jlong(-1); }},
        {"1", true, [](World&, jlong) { return jlong(1); }},
        {"0x1000", true, [](World&, jlong) { return jlong(0x1000); }},
        {"garbage", true, [](World&, jlong) { return jlong(0x4141414141414140); }},
        {"freed", true, [](World& w, jlong) { return w.freed(); }},
        {"interior", true, [](World&, jlong good) { return good + 8; }},
        {"16 bytes", true, [](World& w, jlong) { return w.own(VANTIX_CALL(mem_1alloc)(w.env(), nullptr, 16)); }},
    };
    int natives = 0, calls = 0;
    for (const Native& n : kNatives) {
        if (!sweepable(n)) continue;
        ++natives;
        const std::vector<Kind> kinds = learn(n);
        const std::vector<char> ps = params_of(n.desc);
        const char ret = return_of(n.desc);
        std::string learned;
        for (size_t p = 0; p < ps.size(); ++p)
            if (ps[p] == 'J') learned += std::string(" ") + kKindNames[kinds[p]] + ";";
        std::printf("%s.%s%s:%s\n", n.cls, n.name, n.desc, learned.c_str());
        // mem_read, mem_write and mem_free take any live block: 16 bytes is a fitting size;
        // mem_free ignores anything else, as it ignores 0.
        const bool any_block = std::strncmp(n.name, "mem_", 4) == 0;
        const bool ignores = std::strcmp(n.name, "mem_free") == 0;
        for (size_t p = 0; p < ps.size(); ++p) {
            if (ps[p] != 'J' || kinds[p] == kNumber) continue;
            const std::string where = std::string(n.name) + " arg " + std::to_string(p);
            for (const Bad& bad : bads) {
                World w(warm, sign);
                const Answer a = call(n, w, [&](size_t i) {
                    const jlong good = w.make(kinds[i]);
                    return i == p ? bad.make(w, good) : good;
                });
                ++calls;
                const bool refuse =
                    bad.must_refuse && !ignores && !(any_block && std::strcmp(bad.name, "16 bytes") == 0);
                if (refuse) {
                    EXPECT_TRUE(a.refused(ret)) << where << " with a " << bad.name << " handle: " << a.text(ret);
                }
                note(std::string("handle ") + bad.name, a.text(ret));
            }
            // Every other kind of block in that position.
            for (int k = 0; k < kKinds; ++k) {
                if (k == kinds[p] || k == kRaw || k == kNumber) continue;
                World w(warm, sign);
                const Answer a = call(n, w, [&](size_t i) { return w.make(i == p ? Kind(k) : kinds[i]); });
                ++calls;
                note("handle of another kind", a.text(ret));
            }
        }
    }
    std::printf("%d native methods with handles, %d calls\n", natives, calls);
    print_table("bad handles: answers");
    EXPECT_GE(natives, 44);
}

// Every 4-byte word of every block kind rewritten, for every method that takes that kind:
// once with a value out of any range or an address (0, garbage, freed, interior, a block of
// another kind), and for the contexts once more as an address with the marker (the first
// word) rewritten to 0. The values go round by word and by method, so that each field of a
// context gets several of them across the methods that take it; the words of the signature
// context and of a table are shared out among the methods that take them.
TEST_F(Sweep, EveryWordOfEveryBlockRewritten) {
    struct Value {
        const char* name;
        size_t width;
        std::function<int64_t(World&)> make;
    };
    const std::vector<Value> alone = {
        {"word -1", 4, [](World&) { return int64_t(-1); }},
        {"word 33", 4, [](World&) { return int64_t(33); }},
        {"address 0", 8, [](World&) { return int64_t(0); }},
        {"address garbage", 8, [](World&) { return int64_t(0x4141414141414140); }},
        {"address freed", 8, [](World& w) { return int64_t(w.freed()); }},
        {"address interior", 8, [](World& w) { return int64_t(w.make(kRaw) + 8); }},
        {"address of a point", 8, [](World& w) { return int64_t(w.make(kPoint)); }},
    };
    const std::vector<Value> with_marker = {
        {"marker 0 + address 0", 8, [](World&) { return int64_t(0); }},
        {"marker 0 + address garbage", 8, [](World&) { return int64_t(0x4141414141414140); }},
        {"marker 0 + address freed", 8, [](World& w) { return int64_t(w.freed()); }},
        {"marker 0 + address interior", 8, [](World& w) { return int64_t(w.make(kRaw) + 8); }},
    };
    // Block sizes from the allocators, the step between words (a large table every 64 bytes)
    // and whether the first word is a context marker.
    struct Block {
        size_t size, stride;
        bool marker;
    };
    const std::map<Kind, Block> blocks = {
        {kRnd, {76, 4, false}},   {kCom, {4228, 64, false}},   {kEcb, {104, 4, true}},
        {kGamma, {120, 4, true}}, {kFeedback, {120, 4, true}}, {kMac, {120, 4, true}},
        {kHash, {128, 4, true}},  {kSign, {760, 4, true}},     {kPoint, {100, 4, false}}};
    int calls = 0;
    size_t method = 0;
    for (const Native& n : kNatives) {
        if (!sweepable(n) || std::strncmp(n.name, "mem_", 4) == 0) continue;  // mem_* read and write any bytes
        ++method;
        const std::vector<Kind> kinds = learn(n);
        const std::vector<char> ps = params_of(n.desc);
        const char ret = return_of(n.desc);
        if (slow(n, kinds)) continue;
        for (size_t p = 0; p < ps.size(); ++p) {
            if (ps[p] != 'J' || !blocks.count(kinds[p])) continue;
            const Block b = blocks.at(kinds[p]);
            for (size_t offset = 0; offset + 4 <= b.size; offset += b.stride) {
                const size_t turn = offset / b.stride + method;
                // The signature context's words (mostly numbers) go to one method in four.
                if (b.size > 256 && turn % 4 != 0) continue;
                std::vector<std::pair<const Value*, bool>> rewrites = {{&alone[turn % alone.size()], false}};
                if (b.marker && offset >= 4) rewrites.emplace_back(&with_marker[turn % with_marker.size()], true);
                for (const auto& rewrite : rewrites) {
                    const Value* v = rewrite.first;
                    const bool marker_too = rewrite.second;
                    if (offset + v->width > b.size) continue;
                    World w(warm, sign);
                    const Answer a = call(n, w, [&](size_t i) {
                        const jlong h = w.make(kinds[i]);
                        if (i == p) {
                            const int64_t value = v->make(w);
                            w.write(h, offset, &value, v->width);
                            if (marker_too) {
                                const uint32_t zero = 0;
                                w.write(h, 0, &zero, 4);
                            }
                        }
                        return h;
                    });
                    ++calls;
                    note(std::string(kKindNames[kinds[p]]) + ": " + v->name, a.text(ret));
                }
            }
        }
    }
    std::printf("%d calls\n", calls);
    print_table("rewritten words: answers");
}
#endif
