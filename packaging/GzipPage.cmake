# cmake -DPAGE=in.1 -DOUT=out.1.gz -DVERSION=x.y -DGZIP=/bin/gzip -P GzipPage.cmake
# Puts the version into a manual page or another text (@VERSION@) and
# compresses it as Debian wants: best compression, no name or time stamp in the
# gzip header.
cmake_minimum_required(VERSION 3.25)
file(READ "${PAGE}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
get_filename_component(name "${OUT}" NAME_WLE)
get_filename_component(dir "${OUT}" DIRECTORY)
set(plain "${dir}/${name}")
file(WRITE "${plain}" "${text}")
execute_process(COMMAND "${GZIP}" -9 -n -c "${plain}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip failed on ${plain}: ${result}")
endif()
