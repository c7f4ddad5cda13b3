# quor_add_translations(<program> TS <file.ts> SOURCE_LANGUAGE <zh_CN|en> SOURCES <files>...): lupdate reads the sources'
# texts into the .ts (target update_translations); lrelease makes the .qm at build, embedded
# in the program as :/i18n/<name>.qm. The sources are listed in
# <build>/translations/<name>.sources, one a line, for the test that keeps the .ts complete.
find_package(Qt6 6.4 REQUIRED COMPONENTS LinguistTools)

function(quor_add_translations target)
  cmake_parse_arguments(T "" "TS;SOURCE_LANGUAGE" "SOURCES" ${ARGN})
  set(sources "")
  foreach(source IN LISTS T_SOURCES)
    if(source MATCHES "\\.(cpp|h)$")
      get_filename_component(source "${source}" ABSOLUTE)
      list(APPEND sources "${source}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES sources)
  qt_add_translations(${target} TS_FILES ${T_TS} SOURCES ${sources} LUPDATE_OPTIONS -locations none -source-language ${T_SOURCE_LANGUAGE})
  get_filename_component(name "${T_TS}" NAME_WE)
  list(JOIN sources "\n" lines)
  file(WRITE "${CMAKE_BINARY_DIR}/translations/${name}.sources" "${lines}\n")
endfunction()
