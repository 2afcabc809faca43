# Java side: the JNI header generated from the Java class (so every export is checked
# against its Java declaration), the JDK's JNI headers, and (native builds) the jars.
find_program(VANTIX_JAVAC javac REQUIRED)
file(REAL_PATH "${VANTIX_JAVAC}" _javac_real)
get_filename_component(_jdk_bin "${_javac_real}" DIRECTORY)
get_filename_component(VANTIX_JDK_HOME "${_jdk_bin}" DIRECTORY)

# Every class with native methods: Vantix and, beside it, the classes of the entry points
# added later (each in a class of its own, so Vantix keeps its methods exactly).
set(_java_gost ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java/com/norvane/security/gost)
set(VANTIX_NATIVE_CLASSES Vantix VantixKeyAgreement VantixHash VantixPeerOrder)
set(VANTIX_JNI_HEADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/jni_generated)
set(_jni_sources)
set(VANTIX_JNI_HEADERS)
foreach(_cls ${VANTIX_NATIVE_CLASSES})
  list(APPEND _jni_sources ${_java_gost}/${_cls}.java)
  list(APPEND VANTIX_JNI_HEADERS ${VANTIX_JNI_HEADER_DIR}/com_norvane_security_gost_${_cls}.h)
endforeach()
add_custom_command(
  OUTPUT ${VANTIX_JNI_HEADERS}
  COMMAND ${VANTIX_JAVAC} -h ${VANTIX_JNI_HEADER_DIR} -d ${CMAKE_CURRENT_BINARY_DIR}/jni_generated_classes
          -sourcepath ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java ${_jni_sources}
  DEPENDS ${_jni_sources} ${_java_gost}/NativeLoader.java
  COMMENT "Generating the JNI headers of the native classes")
add_custom_target(vantix_jni_header DEPENDS ${VANTIX_JNI_HEADERS})

if(WIN32)
  set(VANTIX_JNI_INCLUDES ${CMAKE_CURRENT_SOURCE_DIR}/cmake/jni_win32 ${VANTIX_JDK_HOME}/include)
else()
  set(VANTIX_JNI_INCLUDES ${VANTIX_JDK_HOME}/include ${VANTIX_JDK_HOME}/include/linux)
  find_package(Java 17 REQUIRED COMPONENTS Development Runtime)
  include(UseJava)
  file(GLOB_RECURSE VANTIX_JAVA_MAIN CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java/*.java)
  # Bouncy Castle (Debian libbcprov-java) at build time only: the classes that make keys also
  # Bouncy Castle's types are compiled against it and loaded only where it is present; it is
  # never bundled nor needed at run time.
  set(VANTIX_BCPROV_JAR /usr/share/java/bcprov.jar)
  # The provider is listed for java.util.ServiceLoader.
  # The API documentation as vantix-javadoc.jar. Every doclint check is an error except
  # "missing": a one-line description stays one line instead of a tag per argument.
  set(_javadoc_dir ${CMAKE_CURRENT_BINARY_DIR}/javadoc)
  set(_javadoc_jar ${CMAKE_CURRENT_BINARY_DIR}/vantix-javadoc.jar)
  add_custom_command(OUTPUT ${_javadoc_jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_javadoc_dir}
    COMMAND ${Java_JAVADOC_EXECUTABLE} -quiet -Xdoclint:all,-missing -Werror -d ${_javadoc_dir}
            -classpath /usr/share/java/picocli.jar:${VANTIX_BCPROV_JAR}
            -sourcepath ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/java -subpackages com.norvane.security.gost
    COMMAND ${Java_JAR_EXECUTABLE} cf ${_javadoc_jar} -C ${_javadoc_dir} .
    DEPENDS ${VANTIX_JAVA_MAIN}
    COMMENT "Building vantix-javadoc.jar")
  add_custom_target(vantix_javadoc ALL DEPENDS ${_javadoc_jar})
  # The tool's command-line parser (Debian libpicocli-java), bundled into vantix-all.jar.
  set(VANTIX_PICOCLI_JAR /usr/share/java/picocli.jar)
  # The Java sources (main and tests) compile without a single warning: every lint category
  # is an error except "path", which reports the Class-Path entries of Debian's bcprov.jar
  # manifest (mail jars it does not need), not anything in these sources.
  set(VANTIX_JAVA_LINT_FLAGS -Xlint:all,-path -Werror)
  set(_java_flags_before "${CMAKE_JAVA_COMPILE_FLAGS}")
  set(CMAKE_JAVA_COMPILE_FLAGS ${VANTIX_JAVA_LINT_FLAGS})
  add_jar(vantix_jar SOURCES ${VANTIX_JAVA_MAIN} INCLUDE_JARS ${VANTIX_PICOCLI_JAR} ${VANTIX_BCPROV_JAR}
          RESOURCES NAMESPACE "META-INF/services"
            ${CMAKE_CURRENT_SOURCE_DIR}/java/src/main/resources/META-INF/services/java.security.Provider
          OUTPUT_NAME vantix)
  set(CMAKE_JAVA_COMPILE_FLAGS "${_java_flags_before}")
endif()

# The self-loading jar: the classes, the tool's parser, and the module and companion of each
# platform built under native/<platform>/ with their SHA-256 sums, which the loader checks
# before loading. `java -jar vantix-all.jar` runs the tool.
function(vantix_bundle_jar)
  get_target_property(_classes_jar vantix_jar JAR_FILE)
  set(_stage ${CMAKE_BINARY_DIR}/bundle)
  set(_out ${CMAKE_BINARY_DIR}/vantix-all.jar)
  set(_copy_windows)
  if(VANTIX_WINDOWS_BUILD_DIR)
    set(_copy_windows
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}/native/windows-x86_64
      COMMAND ${CMAKE_COMMAND} -E copy ${VANTIX_WINDOWS_BUILD_DIR}/bin/tellarvantix.dll
              ${VANTIX_WINDOWS_BUILD_DIR}/bin/Qel_InitBioRnd64.dll ${_stage}/native/windows-x86_64/)
  endif()
  set(_manifest ${CMAKE_BINARY_DIR}/vantix-all.manifest)
  file(WRITE ${_manifest} "Main-Class: com.norvane.security.gost.tool.VantixTool\n"
    "Enable-Native-Access: ALL-UNNAMED\n"
    "Implementation-Title: tellarvantix\n"
    "Implementation-Version: ${PROJECT_VERSION}\n")
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}/native/linux-x86_64 ${_stage}/parser
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tellarvantix> $<TARGET_FILE:Qel_InitBioRnd64>
            ${_stage}/native/linux-x86_64/
    ${_copy_windows}
    COMMAND ${CMAKE_COMMAND} -DSTAGE=${_stage}/native -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/native_sums.cmake
    COMMAND ${CMAKE_COMMAND} -E chdir ${_stage}/parser ${Java_JAR_EXECUTABLE} xf ${VANTIX_PICOCLI_JAR} picocli
    COMMAND ${CMAKE_COMMAND} -E copy ${_classes_jar} ${_out}
    COMMAND ${Java_JAR_EXECUTABLE} ufm ${_out} ${_manifest} -C ${_stage} native -C ${_stage}/parser picocli
    DEPENDS vantix_jar tellarvantix Qel_InitBioRnd64 ${_classes_jar} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/native_sums.cmake
    COMMENT "Bundling the native libraries into vantix-all.jar")
  add_custom_target(vantix_bundle ALL DEPENDS ${_out})
endfunction()
