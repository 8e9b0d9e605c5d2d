# The frame and the methods against a scripted registry and a recording JNIEnv.
quorvane_test(methods_test
  SOURCES methods/methods_test.cpp support/fake_registry.cpp $<TARGET_OBJECTS:quorvane_methods>
  LIBRARIES quorvane_jni)
target_include_directories(methods_test PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
