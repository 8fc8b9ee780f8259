# Writes a C++ source that holds the bytes of a file as an array plus its
# length, without a terminating NUL, for files the program carries inside.
#
# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DHEADER=<include> -DSYMBOL=<name> -P EmbedFile.cmake
# defines `const unsigned char <SYMBOL>[]` and `const size_t <SYMBOL>Size`,
# both declared extern in HEADER.
foreach(var INPUT OUTPUT HEADER SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedFile.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
if(hexLength EQUAL 0)
  message(FATAL_ERROR "EmbedFile.cmake: ${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes per line keeps the generated file readable in a debugger.
# (CMake's regular expressions have no repetition counts.)
string(REPEAT "0x..," 16 sixteenBytes)
string(REGEX REPLACE "(${sixteenBytes})" "\\1\n    " bytes "${bytes}")

get_filename_component(inputName "${INPUT}" NAME)
set(text "// Generated from ${inputName} by cmake/EmbedFile.cmake; do not edit.\n")
string(APPEND text "#include \"${HEADER}\"\n\n")
string(APPEND text "const unsigned char ${SYMBOL}[] = {\n    ${bytes}\n};\n")
string(APPEND text "const size_t ${SYMBOL}Size = sizeof(${SYMBOL});\n")

# Rewrite only on change, so an unchanged input does not force a rebuild.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
