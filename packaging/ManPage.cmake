# cmake -DHELP2MAN=... -DPROGRAM=<binary> -DNAME=<name> -DSUMMARY=<text> -DVERSION=<v> -DOUT=<page.1.gz> -P ManPage.cmake
# The manual page of one program, made from its own --help so that the two never disagree.
get_filename_component(roff ${OUT} NAME_WLE)
set(roff ${CMAKE_CURRENT_BINARY_DIR}/${roff})
# A fixed date keeps the pages the same from one build to the next.
set(ENV{SOURCE_DATE_EPOCH} 1796731200)
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --version-string=${VERSION}
          --name=${SUMMARY} --output=${roff} ${PROGRAM}
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man could not make the page of ${NAME}: ${errors}")
endif()
execute_process(COMMAND gzip -9nf ${roff} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${roff}")
endif()
file(RENAME ${roff}.gz ${OUT})
