/* Machine-dependent JNI types for 64-bit Windows (LLP64), used by the mingw-w64 cross
   build in place of the JDK's Linux header. */
#ifndef VANTIX_JNI_MD_H
#define VANTIX_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
