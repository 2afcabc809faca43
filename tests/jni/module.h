// The real module, loaded at run time (dlopen / LoadLibraryA), and its exports looked up
// by their JNI names, so the tests call exactly what a JVM would call.
#pragma once
#include <string>

#include "vantix_natives.h"  // the generated header of every native class (cmake/java.cmake)

void* module_symbol(const std::string& name);

// Calls export `name` (the mangled part after Java_com_norvane_security_gost_Vantix_) with
// the signature that the generated JNI header declares for it.
#define VANTIX_CALL(name)                                                       \
    (reinterpret_cast<decltype(&Java_com_norvane_security_gost_Vantix_##name)>( \
        module_symbol("Java_com_norvane_security_gost_Vantix_" #name)))

// The same for an export of another class with native methods.
#define VANTIX_CLASS_CALL(cls, name)                                             \
    (reinterpret_cast<decltype(&Java_com_norvane_security_gost_##cls##_##name)>( \
        module_symbol("Java_com_norvane_security_gost_" #cls "_" #name)))
// The key-agreement export (class VantixKeyAgreement).
#define VANTIX_KA_CALL(name) VANTIX_CLASS_CALL(VantixKeyAgreement, name)
// The stream modes on little-endian words (class VantixPeerOrder).
#define VANTIX_PO_CALL(name) VANTIX_CLASS_CALL(VantixPeerOrder, name)
