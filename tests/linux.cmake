# The frame and the methods against a scripted registry and a recording JNIEnv.
quorvane_test(methods_test
  SOURCES methods/methods_test.cpp support/fake_registry.cpp $<TARGET_OBJECTS:quorvane_methods>
  LIBRARIES quorvane_jni)
target_include_directories(methods_test PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)

# The registry scenarios through the stand-in (the Windows build runs the same table under Wine).
quorvane_test(scenarios_test SOURCES platform/scenarios_test.cpp LIBRARIES quorvane_platform)
set_tests_properties(scenarios_test PROPERTIES ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/scenarios-store")

# The methods end to end in a real JVM (-Xcheck:jni) over the stand-in.
quorvane_test(library_test
  SOURCES library/library_test.cpp library/jvm_binding.cpp $<TARGET_OBJECTS:quorvane_methods>
  LIBRARIES quorvane_platform ${QUORVANE_JDK}/lib/server/libjvm.so)
target_include_directories(library_test PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
set_target_properties(library_test PROPERTIES BUILD_RPATH ${QUORVANE_JDK}/lib/server)
set_tests_properties(library_test PROPERTIES ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/library-store")

add_test(NAME exports COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:Quorvane> -DKIND=elf -DTOOL=nm
         -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.cmake)

# The Java binding in a real JVM with -Xcheck:jni; any JNI warning fails the test.
find_package(Java 17 REQUIRED COMPONENTS Development)
include(UseJava)
set(JUNIT_CONSOLE /usr/share/java/junit-platform-console-standalone.jar)
if(NOT EXISTS ${JUNIT_CONSOLE})
  message(FATAL_ERROR "JUnit 5's console launcher is missing: apt-get install junit5")
endif()
add_jar(quorvane_java_tests
  SOURCES ${CMAKE_SOURCE_DIR}/java/Quorvane.java java/QuorvaneTest.java java/QuorvaneCliTest.java
          java/QuorvaneStress.java java/QuorvaneStressTest.java
  INCLUDE_JARS ${JUNIT_CONSOLE})
# The stress workloads run with small counts here; the label "long" runs them at full size.
function(quorvane_junit name)
  cmake_parse_arguments(ARG "" "" "JVM;LAUNCHER" ${ARGN})
  add_test(NAME ${name}
    COMMAND ${Java_JAVA_EXECUTABLE} -Xcheck:jni -Djava.library.path=$<TARGET_FILE_DIR:Quorvane>
            -Dquorvane.test.classpath=$<TARGET_PROPERTY:quorvane_java_tests,JAR_FILE>
            -Dquorvane.jar=${CMAKE_BINARY_DIR}/quorvane.jar ${ARG_JVM}
            -jar ${JUNIT_CONSOLE} --disable-banner --fail-if-no-tests --details=tree
            --class-path $<TARGET_PROPERTY:quorvane_java_tests,JAR_FILE> --scan-class-path ${ARG_LAUNCHER})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-store;QV_JUNIT_HOME=/home/qv"
    FAIL_REGULAR_EXPRESSION "WARNING in native method")
endfunction()
quorvane_junit(junit)
quorvane_junit(junit_long JVM -Dquorvane.stress.calls=100000 -Dquorvane.leak.calls=1000000
               LAUNCHER --include-classname=QuorvaneStressTest)
set_tests_properties(junit_long PROPERTIES LABELS long)
add_dependencies(quorvane_java_tests Quorvane quorvane_jar)

# The stand-in as a store, driven through processes of its own.
add_executable(standin_tool standin/standin_tool.cpp)
target_link_libraries(standin_tool PRIVATE quorvane_platform)
quorvane_test(standin_test SOURCES standin/standin_test.cpp LIBRARIES quorvane_platform)
target_compile_definitions(standin_test PRIVATE QUORVANE_STANDIN_TOOL="$<TARGET_FILE:standin_tool>")
add_dependencies(standin_test standin_tool)

if(QUORVANE_SANITIZE MATCHES "address")
  # The JVM's own allocations are its business; a JVM not built with ASan needs its runtime
  # preloaded to host the instrumented library, and keeps its own SIGSEGV handling.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  set_property(TEST library_test APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
  set_property(TEST junit APPEND PROPERTY ENVIRONMENT
               "LD_PRELOAD=${asan_runtime}" "ASAN_OPTIONS=detect_leaks=0:handle_segv=0")
endif()

if(QUORVANE_BUNDLE_WINDOWS)
  # The DLL the jar carries is the real product: PE32+, the three exports, system imports only.
  add_test(NAME jar_dll_exports
    COMMAND ${CMAKE_COMMAND} -DJAR=${CMAKE_BINARY_DIR}/quorvane.jar -DLIBRARY=${CMAKE_CURRENT_BINARY_DIR}/jar-dll/windows-x86_64/Quorvane.dll
            -DKIND=pe -DTOOL=x86_64-w64-mingw32-objdump -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.cmake)
endif()

# Memcheck over the C++ tests that start no JVM. The store stays open for the life of the
# process by design, so only definite leaks count. (The address-space test needs a 4 GiB
# allocation to fail, which valgrind's allocator does not show.)
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT QUORVANE_SANITIZE)
  foreach(test methods_test scenarios_test)
    add_test(NAME memcheck_${test}
      COMMAND ${VALGRIND} -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite
              --show-possibly-lost=no $<TARGET_FILE:${test}> --gtest_filter=-*WithoutMemory*)
    set_tests_properties(memcheck_${test} PROPERTIES
      ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/memcheck-store")
  endforeach()
endif()

# The stand-in against an in-memory model of the registry, on random sequences.
quorvane_test(model_test SOURCES standin/model_test.cpp LIBRARIES quorvane_platform)
set_tests_properties(model_test PROPERTIES ENVIRONMENT "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/model-store")
