# Fails unless every file named in PDF_1 and PDF_2 exists, is non-empty and starts with "%PDF".
#
#   cmake -DPDF_1=a.pdf -DPDF_2=b.pdf -P check_pdf.cmake

foreach(var PDF_1 PDF_2)
    set(file "${${var}}")
    if(file STREQUAL "")
        message(FATAL_ERROR "${var} is not set")
    endif()
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "missing: ${file}")
    endif()
    file(SIZE "${file}" size)
    if(size EQUAL 0)
        message(FATAL_ERROR "empty: ${file}")
    endif()
    file(READ "${file}" head LIMIT 4 HEX)
    if(NOT head STREQUAL "25504446") # "%PDF"
        message(FATAL_ERROR "not a PDF: ${file} starts with bytes ${head}")
    endif()
    message(STATUS "${file}: ${size} bytes")
endforeach()
