# Writes a C++ source that holds a binary file as a byte array.
#   cmake -DINPUT=file.bin -DOUTPUT=out.cpp -DSYMBOL=kName -DHEADER=dir/decl.h -P embed_binary.cmake
# Defines SYMBOL (const uint8_t[]) and SYMBOL##Size (const uint32_t), both
# declared extern in HEADER.
foreach(var INPUT OUTPUT SYMBOL HEADER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_binary: ${var} not given")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "embed_binary: ${INPUT} is empty")
endif()
math(EXPR size "${digits} / 2")

# Sixteen bytes a line, then each byte as 0xNN.
string(REPEAT "[0-9a-f]" 32 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${name} at build time; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "const uint8_t ${SYMBOL}[] = {\n${bytes}\n};\n"
  "const uint32_t ${SYMBOL}Size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
