// A recording fake JNIEnv: our own function table with the few JNI functions the library
// uses. Arrays are borrowed as copies, so a release mode that does not copy back really
// leaves the Java array unchanged. Every call is recorded as an event string.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <jni.h>

class FakeJni {
public:
    FakeJni();
    ~FakeJni();

    JNIEnv* env() { return &env_; }

    // A Java byte array with a name used in the event log.
    jbyteArray array(const std::vector<uint8_t>& bytes, const std::string& name);
    jbyteArray array(size_t size, const std::string& name, uint8_t fill = 0) {
        return array(std::vector<uint8_t>(size, fill), name);
    }
    std::vector<uint8_t> bytes(jbyteArray a) const;

    // Events: "get NAME", "release NAME 0|abort|commit", "length NAME", "region-get NAME",
    // "region-set NAME", "throw CLASS: MESSAGE".
    std::vector<std::string> events;
    // Only the borrow/release events, in order.
    std::vector<std::string> borrows() const;
    std::string exception;  // class of the pending exception, empty when none
    int outstanding = 0;    // borrowed and not yet released
    // The exports benchmark sets this: released copies are kept and handed out again, as a
    // JVM's own heap would, instead of going back to the C runtime (under wine a freed
    // 1 MiB block goes back to the system, and the next copy faults in fresh pages, which
    // is the runtime's cost, not the module's). Tests leave it off, so that a use after
    // release is a use after free for the sanitizers.
    bool reuse_copies = false;
    // Hands out the Java array's own bytes (is-copy false), as a JVM that pins arrays does.
    bool pin_in_place = false;
    // Each copy freed by a release: the array's name and whether the copy was all zero then.
    std::vector<std::pair<std::string, bool>> freed;

    void clear() {
        events.clear();
        exception.clear();
        freed.clear();
    }

    struct Array {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    struct Borrow {
        Array* array;
        uint8_t* copy;
    };

    std::vector<std::unique_ptr<Array>> arrays_;
    std::vector<Borrow> live_;
    std::vector<std::pair<size_t, uint8_t*>> spare_;  // kept copies and their sizes
    std::vector<std::unique_ptr<std::string>> classes_;

private:
    JNINativeInterface_ table_{};
    JNIEnv env_{};
};

// The fake of the env being called; the callbacks find their FakeJni through it.
FakeJni* fake_of(JNIEnv* env);
