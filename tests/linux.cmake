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
