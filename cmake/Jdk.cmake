# The JDK: javac on the build machine, and the JNI headers for the target (quorvane_jni).
# No JDK library is linked into Quorvane; the JVM hands over its function table at run time.
find_program(Java_JAVAC_EXECUTABLE javac REQUIRED)
find_program(Java_JAVA_EXECUTABLE java REQUIRED)
find_program(Java_JAR_EXECUTABLE jar REQUIRED)
if(NOT QUORVANE_JDK)
  file(REAL_PATH ${Java_JAVAC_EXECUTABLE} _javac)
  get_filename_component(_jdk_bin ${_javac} DIRECTORY)
  get_filename_component(_jdk ${_jdk_bin} DIRECTORY)
  set(QUORVANE_JDK ${_jdk} CACHE PATH "JDK whose JNI headers are used")
endif()

add_library(quorvane_jni INTERFACE)
# The Linux jni_md.h also serves the DLL: it keeps a JNIEXPORT defined before it.
target_include_directories(quorvane_jni SYSTEM INTERFACE ${QUORVANE_JDK}/include ${QUORVANE_JDK}/include/linux)
if(WIN32)
  target_compile_definitions(quorvane_jni INTERFACE "JNIEXPORT=__declspec(dllexport)")
endif()
