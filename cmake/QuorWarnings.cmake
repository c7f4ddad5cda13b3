# Warnings for our own targets only; third-party headers come in as system includes.
function(quor_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
                         $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
  if(QUOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Widget code spells out its string encodings.
function(quor_strict_qt target)
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                             QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
endfunction()

# Plain C++ targets: no moc, no Qt.
function(quor_plain_cpp target)
  set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTORCC OFF)
endfunction()
