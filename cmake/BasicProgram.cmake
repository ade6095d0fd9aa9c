# add_basic_program(target file.bas): translates the program with bas2cpp at build time and
# links it against the runtime, compiled as kelc compiles programs (KEL_PROGRAM_STD and
# KEL_PROGRAM_FLAGS).
function(add_basic_program target file)
  get_filename_component(source ${file} ABSOLUTE)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${target}.bas.cpp)
  # The depfile names the programs it CHAINs or RUNs, so that a change to one rebuilds it.
  add_custom_command(OUTPUT ${cpp}
    COMMAND bas2cpp ${source} -o ${cpp} --depfile ${cpp}.d
    DEPENDS bas2cpp ${source}
    DEPFILE ${cpp}.d
    COMMENT "Translating ${file}"
    VERBATIM)
  add_executable(${target} ${cpp})
  target_link_libraries(${target} PRIVATE kelrt)
  set_target_properties(${target} PROPERTIES CXX_STANDARD ${KEL_PROGRAM_STD})
  target_compile_options(${target} PRIVATE ${KEL_PROGRAM_FLAGS})
endfunction()
