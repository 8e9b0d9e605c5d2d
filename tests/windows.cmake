# Every Windows test program runs under Wine (the toolchain's emulator) in the build tree's
# own Wine prefix, made once before the first of them.
add_test(NAME wine_prefix COMMAND /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
         WINEDLLOVERRIDES=mscoree,mshtml= /usr/lib/wine/wine64 wineboot --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)

function(quorvane_wine_test name)
  quorvane_test(${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()

quorvane_wine_test(scenarios_test SOURCES platform/scenarios_test.cpp LIBRARIES quorvane_platform)

# Quorvane.dll end to end over Wine's registry, loaded by name like a JVM loads it.
quorvane_wine_test(library_test
  SOURCES library/library_test.cpp library/dll_binding.cpp LIBRARIES quorvane_platform)
add_dependencies(library_test Quorvane)
set_tests_properties(library_test PROPERTIES WORKING_DIRECTORY $<TARGET_FILE_DIR:Quorvane>)

add_test(NAME exports COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:Quorvane> -DKIND=pe
         -DTOOL=x86_64-w64-mingw32-objdump -P ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.cmake)
