# The slide set file: writer, reader, command-line tool and the fuzzing corpus.
nimbrel_test(test_files_writer SOURCES test_files_writer.cpp FilesTestSupport.h LIBS nimbrel_files)
# The reader suite also replays the committed fuzzing corpus.
nimbrel_test(test_files_reader SOURCES test_files_reader.cpp fuzz/FuzzReadSlideSet.cpp FilesTestSupport.h
             LIBS nimbrel_files)
target_compile_definitions(test_files_reader PRIVATE NIMBREL_FUZZ_CORPUS="${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus")
if(TARGET nimbrel-cli)
  nimbrel_test(test_files_cli SOURCES test_files_cli.cpp LIBS nimbrel_files)
  target_compile_definitions(test_files_cli PRIVATE NIMBREL_CLI="$<TARGET_FILE:nimbrel-cli>")
  add_dependencies(test_files_cli nimbrel-cli)
endif()

# The libFuzzer target itself, only in a clang build made by scripts/fuzz.
option(NIMBREL_FUZZ "Build the libFuzzer target of the slide set reader (clang only)" OFF)
if(NIMBREL_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_slideset_reader fuzz/FuzzReadSlideSet.cpp)
  target_link_libraries(fuzz_slideset_reader PRIVATE nimbrel_files)
  target_link_options(fuzz_slideset_reader PRIVATE -fsanitize=fuzzer)
endif()
