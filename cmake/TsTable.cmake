cmake_minimum_required(VERSION 3.25)

# Turns a Qt Linguist translation file (.ts) into a C++ source that defines a table of its
# messages: each source text with its translation, both UTF-8, in file order. Messages without a
# translation are left out. Written in CMake alone, so that it runs wherever CMake runs, a cross
# build included.
# Run as: cmake -DINPUT=file.ts -DOUTPUT=file.cpp -DHEADER=dir/name.h -DSYMBOL=name -DNAMESPACE=ns
#               -P TsTable.cmake
# The source includes HEADER, which declares in NAMESPACE
#   struct TsMessage { const char* FSource; const char* FTranslation; };
#   extern const TsMessage SYMBOL[]; extern const std::size_t SYMBOLCount;
# and defines those two.

# The XML text of an element's content as a C++ string literal: entities decoded, then quotes,
# backslashes and line breaks escaped.
function(ipmdb_ts_literal text out)
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n\"\n    \"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The content of the first <tag>...</tag> in text, or nothing.
function(ipmdb_ts_element text tag out)
  set(${out} "" PARENT_SCOPE)
  string(FIND "${text}" "<${tag}>" start)
  if(start EQUAL -1)
    return()
  endif()
  string(LENGTH "<${tag}>" open_length)
  math(EXPR start "${start} + ${open_length}")
  string(FIND "${text}" "</${tag}>" end)
  if(end LESS start)
    return()
  endif()
  math(EXPR length "${end} - ${start}")
  string(SUBSTRING "${text}" ${start} ${length} content)
  set(${out} "${content}" PARENT_SCOPE)
endfunction()

file(READ "${INPUT}" ts)
set(entries "")
set(count 0)
# The text is taken apart with FIND and SUBSTRING, never as a list, as a message may hold ";".
string(FIND "${ts}" "<message>" start)
while(start GREATER -1)
  string(FIND "${ts}" "</message>" end)
  math(EXPR length "${end} - ${start}")
  string(SUBSTRING "${ts}" ${start} ${length} message)
  math(EXPR rest "${end} + 10")
  string(SUBSTRING "${ts}" ${rest} -1 ts)
  string(FIND "${ts}" "<message>" start)
  ipmdb_ts_element("${message}" source source)
  ipmdb_ts_element("${message}" translation translation)
  if(translation STREQUAL "")
    continue()
  endif()
  ipmdb_ts_literal("${source}" source)
  ipmdb_ts_literal("${translation}" translation)
  string(APPEND entries "    {${source},\n     ${translation}},\n")
  math(EXPR count "${count} + 1")
endwhile()

file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by cmake/TsTable.cmake; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace ${NAMESPACE} {\n\n"
  "extern const TsMessage ${SYMBOL}[] = {\n${entries}};\n"
  "extern const std::size_t ${SYMBOL}Count = ${count};\n\n"
  "}  // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
