# Makes the two forms of the template string table from its one source, resources/templates.txt
# (line k is template k; the two characters "\r\n" stand for a carriage return and line feed):
#   OUT_INC: C++ string literals for the portable builder,
#   OUT_RC:  a STRINGTABLE for the Windows resources, language 2052.
# usage: cmake -DIN=... -DOUT_INC=... -DOUT_RC=... -P GenerateTemplates.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(inc "// Generated from resources/templates.txt. Do not edit.\n")
set(rc "// Generated from resources/templates.txt. Do not edit.\n#pragma code_page(65001)\nLANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\nSTRINGTABLE\nBEGIN\n")
set(id 0)
foreach(line IN LISTS lines)
  math(EXPR id "${id} + 1")
  # C++: escape backslashes first, then quotes; keep the \r\n escape of the source as is.
  string(REPLACE "\\r\\n" "@CRLF@" c "${line}")
  string(REPLACE "\\" "\\\\" c "${c}")
  string(REPLACE "\"" "\\\"" c "${c}")
  string(REPLACE "@CRLF@" "\\r\\n" c "${c}")
  string(APPEND inc "u8\"${c}\",\n")
  # RC: a quote is doubled; \r\n is understood by the resource compiler.
  string(REPLACE "\"" "\"\"" r "${line}")
  string(APPEND rc "  ${id} \"${r}\"\n")
endforeach()
if(NOT id EQUAL 35)
  message(FATAL_ERROR "templates.txt must hold 35 lines, found ${id}")
endif()
string(APPEND rc "END\n")
file(WRITE "${OUT_INC}" "${inc}")
file(WRITE "${OUT_RC}" "${rc}")
