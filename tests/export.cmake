# The workbook: its write in C++, and its content read back by openpyxl (an
# independent reader) against `nimbrel-cli json`.
nimbrel_test(test_export SOURCES test_export.cpp LIBS nimbrel_export nimbrel_files)
if(TARGET nimbrel-cli)
  # The system's Python, where Debian's python3-openpyxl lives.
  find_program(NIMBREL_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(NIMBREL_PYTHON3 python3)
  add_test(NAME test_workbook
           COMMAND ${NIMBREL_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/workbook_check.py $<TARGET_FILE:nimbrel-cli>
                   ${CMAKE_CURRENT_SOURCE_DIR}/data)
  set_tests_properties(test_workbook PROPERTIES TIMEOUT 300)
endif()
