# Writes OUTPUT, a C++ header that holds the text of INPUT as
#   inline constexpr std::string_view NAME
# so that a file of the source tree (the report's page) is built into the
# program and needs no file beside it at run time. Run at build time:
#   cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedText.cmake
foreach(argument INPUT OUTPUT NAME)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "EmbedText.cmake needs -D${argument}=...")
  endif()
endforeach()
file(READ "${INPUT}" text)
# A raw string literal holds any text but its own closing delimiter.
set(delimiter "embedded")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds )${delimiter}\", which would end its raw string early")
endif()
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Made at build time from ${source} by EmbedText.cmake: edit that file, not this.
#pragma once

#include <string_view>

inline constexpr std::string_view ${NAME} = R\"${delimiter}(${text})${delimiter}\";
")
