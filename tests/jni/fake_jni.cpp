#include "jni/fake_jni.h"

#include <cstring>
#include <map>
#include <mutex>

namespace {

// Fakes live on several threads at once in the concurrency tests: the map is locked.
std::mutex& registry_lock() {
    static std::mutex m;
    return m;
}
std::map<JNIEnv*, FakeJni*>& registry() {
    static std::map<JNIEnv*, FakeJni*> r;
    return r;
}

FakeJni::Array* arr(jarray a) { return reinterpret_cast<FakeJni::Array*>(a); }

jsize JNICALL get_length(JNIEnv* env, jarray a) {
    fake_of(env)->events.push_back("length " + arr(a)->name);
    return jsize(arr(a)->bytes.size());
}

jbyte* JNICALL get_elements(JNIEnv* env, jbyteArray a, jboolean* is_copy) {
    FakeJni* f = fake_of(env);
    FakeJni::Array* x = arr(a);
    f->events.push_back("get " + x->name);
    if (f->pin_in_place) {
        ++f->outstanding;
        if (is_copy) *is_copy = JNI_FALSE;
        return reinterpret_cast<jbyte*>(x->bytes.data());
    }
    const size_t size = x->bytes.size() + 1;
    uint8_t* copy = nullptr;
    for (auto it = f->spare_.begin(); it != f->spare_.end(); ++it) {
        if (it->first == size) {
            copy = it->second;
            f->spare_.erase(it);
            break;
        }
    }
    if (copy == nullptr) copy = static_cast<uint8_t*>(std::malloc(size));
    if (!x->bytes.empty()) std::memcpy(copy, x->bytes.data(), x->bytes.size());
    f->live_.push_back({x, copy});
    ++f->outstanding;
    if (is_copy) *is_copy = JNI_TRUE;
    return reinterpret_cast<jbyte*>(copy);
}

void JNICALL release_elements(JNIEnv* env, jbyteArray a, jbyte* elems, jint mode) {
    FakeJni* f = fake_of(env);
    FakeJni::Array* x = arr(a);
    const char* m = mode == 0 ? "0" : mode == JNI_ABORT ? "abort" : "commit";
    f->events.push_back(std::string("release ") + x->name + " " + m);
    uint8_t* p = reinterpret_cast<uint8_t*>(elems);
    if (p == x->bytes.data()) {  // pinned in place: nothing to copy or free
        if (mode != JNI_COMMIT) --f->outstanding;
        return;
    }
    if (mode != JNI_ABORT && !x->bytes.empty()) std::memcpy(x->bytes.data(), p, x->bytes.size());
    if (mode != JNI_COMMIT) {
        for (auto it = f->live_.begin(); it != f->live_.end(); ++it) {
            if (it->copy == p) {
                f->live_.erase(it);
                break;
            }
        }
        bool zero = true;
        for (size_t i = 0; i < x->bytes.size(); ++i) zero = zero && p[i] == 0;
        f->freed.emplace_back(x->name, zero);
        if (f->reuse_copies)
            f->spare_.emplace_back(x->bytes.size() + 1, p);
        else
            std::free(p);
        --f->outstanding;
    }
}

void JNICALL get_region(JNIEnv* env, jbyteArray a, jsize start, jsize len, jbyte* buf) {
    FakeJni* f = fake_of(env);
    f->events.push_back("region-get " + arr(a)->name);
    if (start < 0 || len < 0 || size_t(start) + size_t(len) > arr(a)->bytes.size()) {
        f->exception = "java/lang/ArrayIndexOutOfBoundsException";
        return;
    }
    if (len > 0) std::memcpy(buf, arr(a)->bytes.data() + start, size_t(len));
}

void JNICALL set_region(JNIEnv* env, jbyteArray a, jsize start, jsize len, const jbyte* buf) {
    FakeJni* f = fake_of(env);
    f->events.push_back("region-set " + arr(a)->name);
    if (start < 0 || len < 0 || size_t(start) + size_t(len) > arr(a)->bytes.size()) {
        f->exception = "java/lang/ArrayIndexOutOfBoundsException";
        return;
    }
    if (len > 0) std::memcpy(arr(a)->bytes.data() + start, buf, size_t(len));
}

jclass JNICALL find_class(JNIEnv* env, const char* name) {
    FakeJni* f = fake_of(env);
    f->classes_.push_back(std::make_unique<std::string>(name));
    return reinterpret_cast<jclass>(f->classes_.back().get());
}

jint JNICALL throw_new(JNIEnv* env, jclass c, const char* msg) {
    FakeJni* f = fake_of(env);
    const std::string& name = *reinterpret_cast<std::string*>(c);
    f->events.push_back("throw " + name + ": " + (msg ? msg : "(null)"));
    f->exception = name;
    return 0;
}

void JNICALL delete_local_ref(JNIEnv*, jobject) {}

}  // namespace

FakeJni* fake_of(JNIEnv* env) {
    std::lock_guard<std::mutex> g(registry_lock());
    return registry().at(env);
}

FakeJni::FakeJni() {
    table_.GetArrayLength = get_length;
    table_.GetByteArrayElements = get_elements;
    table_.ReleaseByteArrayElements = release_elements;
    table_.GetByteArrayRegion = get_region;
    table_.SetByteArrayRegion = set_region;
    table_.FindClass = find_class;
    table_.ThrowNew = throw_new;
    table_.DeleteLocalRef = delete_local_ref;
    env_.functions = &table_;
    std::lock_guard<std::mutex> g(registry_lock());
    registry()[&env_] = this;
}

FakeJni::~FakeJni() {
    {
        std::lock_guard<std::mutex> g(registry_lock());
        registry().erase(&env_);
    }
    for (auto& b : live_) std::free(b.copy);
    for (auto& s : spare_) std::free(s.second);
}

jbyteArray FakeJni::array(const std::vector<uint8_t>& bytes, const std::string& name) {
    arrays_.push_back(std::make_unique<Array>(Array{name, bytes}));
    return reinterpret_cast<jbyteArray>(arrays_.back().get());
}

std::vector<uint8_t> FakeJni::bytes(jbyteArray a) const { return arr(a)->bytes; }

std::vector<std::string> FakeJni::borrows() const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.rfind("get ", 0) == 0 || e.rfind("release ", 0) == 0) out.push_back(e);
    return out;
}
