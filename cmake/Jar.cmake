# quorvane.jar: the class Quorvane, the command line, and the natives it can unpack, under
# linux-x86_64/ and windows-x86_64/. With QUORVANE_BUNDLE_WINDOWS the DLL is cross-built here
# too (a build of its own with the mingw toolchain), so one jar serves both platforms.
find_package(Java 17 REQUIRED COMPONENTS Development)
include(UseJava)
include(ExternalProject)

option(QUORVANE_BUNDLE_WINDOWS "Cross-build Quorvane.dll and put it into quorvane.jar" OFF)

set(natives ${CMAKE_BINARY_DIR}/natives)
set(bundled linux-x86_64/libQuorvane.so)
set(bundle_steps COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Quorvane> ${natives}/linux-x86_64/libQuorvane.so)
set(bundle_inputs $<TARGET_FILE:Quorvane>)
if(QUORVANE_BUNDLE_WINDOWS)
  set(dll ${CMAKE_BINARY_DIR}/windows-dll/Quorvane.dll)
  ExternalProject_Add(quorvane_dll
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows-dll
    CMAKE_ARGS -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF
               -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target Quorvane
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${dll})
  list(APPEND bundled windows-x86_64/Quorvane.dll)
  list(APPEND bundle_steps COMMAND ${CMAKE_COMMAND} -E copy ${dll} ${natives}/windows-x86_64/Quorvane.dll)
  list(APPEND bundle_inputs ${dll} quorvane_dll)
endif()

# The classes, with the command line as the entry point; the natives are added next to them.
add_jar(quorvane_classes
  SOURCES ${CMAKE_SOURCE_DIR}/java/Quorvane.java ${CMAKE_SOURCE_DIR}/java/QuorvaneCli.java
  ENTRY_POINT QuorvaneCli)
get_target_property(classes_jar quorvane_classes JAR_FILE)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quorvane.jar
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${natives}
  ${bundle_steps}
  COMMAND ${CMAKE_COMMAND} -E copy ${classes_jar} ${CMAKE_BINARY_DIR}/quorvane.jar
  COMMAND ${Java_JAR_EXECUTABLE} uf ${CMAKE_BINARY_DIR}/quorvane.jar -C ${natives} .
  DEPENDS ${classes_jar} quorvane_classes ${bundle_inputs}
  COMMENT "Bundling the natives into quorvane.jar")
add_custom_target(quorvane_jar ALL DEPENDS ${CMAKE_BINARY_DIR}/quorvane.jar)
