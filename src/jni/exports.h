// Common includes of the export files: the JNI declarations generated from the Java class
// (so every definition is checked against the Java signature) and the array helpers.
#pragma once
#include "com_norvane_security_gost_Vantix.h"
#include "common/result.h"
#include "jni/arrays.h"

#define VX(name) Java_com_norvane_security_gost_Vantix_##name
