# Java side: the JNI header generated from the Java class (so every export is checked
# against its Java declaration), the JDK's JNI headers, and (native builds) the jars.
find_program(VANTIX_JAVAC javac REQUIRED)
file(REAL_PATH "${VANTIX_JAVAC}" _javac_real)
get_filename_component(_jdk_bin "${_javac_real}" DIRECTORY)
get_filename_component(VANTIX_JDK_HOME "${_jdk_bin}" DIRECTORY)

set(VANTIX_JAVA_CLASS ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java/com/norvane/security/gost/Vantix.java)
set(VANTIX_JNI_HEADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/jni_generated)
add_custom_command(
  OUTPUT ${VANTIX_JNI_HEADER_DIR}/com_norvane_security_gost_Vantix.h
  COMMAND ${VANTIX_JAVAC} -h ${VANTIX_JNI_HEADER_DIR} -d ${CMAKE_CURRENT_BINARY_DIR}/jni_generated_classes
          ${VANTIX_JAVA_CLASS}
  DEPENDS ${VANTIX_JAVA_CLASS}
  COMMENT "Generating the JNI header of com.norvane.security.gost.Vantix")
add_custom_target(vantix_jni_header DEPENDS ${VANTIX_JNI_HEADER_DIR}/com_norvane_security_gost_Vantix.h)

if(WIN32)
  set(VANTIX_JNI_INCLUDES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/jni_win32 ${VANTIX_JDK_HOME}/include)
else()
  set(VANTIX_JNI_INCLUDES ${VANTIX_JDK_HOME}/include ${VANTIX_JDK_HOME}/include/linux)
  find_package(Java 17 REQUIRED COMPONENTS Development Runtime)
  include(UseJava)
  file(GLOB_RECURSE VANTIX_JAVA_MAIN CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java/*.java)
  add_jar(vantix_jar SOURCES ${VANTIX_JAVA_MAIN} OUTPUT_NAME vantix)
endif()
