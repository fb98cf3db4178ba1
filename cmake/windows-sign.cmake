# Run by CPack twice: before packing, on the programs and DLLs in the staging
# folder; after, on the installer it made. osslsigncode writes a signed copy, which
# then takes the file's place.
if(CPACK_PACKAGE_FILES)
  set(files ${CPACK_PACKAGE_FILES})
else()
  file(GLOB_RECURSE files ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.dll)
endif()
foreach(file ${files})
  execute_process(COMMAND ${CPACK_KORVANE_SIGN_COMMAND} -in ${file} -out ${file}.signed
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "signing ${file} failed: ${output}")
  endif()
  file(RENAME ${file}.signed ${file})
endforeach()
