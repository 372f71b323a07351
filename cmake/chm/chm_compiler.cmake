# Included by help/CMakeLists.txt with QB_CHMCMD found; sets qb_chm_compiler,
# the program that compiles Quillbeck.hhp in the current folder.
#
# chmcmd of Free Pascal 3.2.2 writes the project's folder, as an absolute path of
# the build machine, in front of every topic of the context map ([ALIAS]/[MAP]),
# so HTML Help finds no topic for a context number and F1 shows nothing. The
# Free Pascal sources that come with fp-utils show whether the installed version
# has that fault; if so, the build compiles its own project compiler
# (qb_chmcmd.pas, beside this file) against a copy of the faulty unit with the
# one expression corrected. Other versions are used as they are; the help_file
# test checks the context map of the result either way.
set(qb_chm_compiler ${QB_CHMCMD})
get_filename_component(qb_chmcmd_real ${QB_CHMCMD} REALPATH)
if(qb_chmcmd_real MATCHES "chmcmd-([0-9.]+)$")
  set(qb_fpc_version ${CMAKE_MATCH_1})
  set(qb_chm_writer /usr/share/fpcsrc/${qb_fpc_version}/packages/chm/src/chmfilewriter.pas)
  set(qb_faulty "Writer.AddContext(nd.ContextNumber,IncludeTrailingPathDelimiter(FBasePath)+files[i]);")
  if(EXISTS ${qb_chm_writer})
    file(READ ${qb_chm_writer} qb_writer_text)
    string(FIND "${qb_writer_text}" "${qb_faulty}" qb_fault_at)
    if(NOT qb_fault_at EQUAL -1)
      find_program(QB_FPC fpc)
      if(NOT QB_FPC)
        message(FATAL_ERROR
          "chmcmd ${qb_fpc_version} writes a context map that HTML Help cannot use; the build "
          "compiles a corrected one with the Free Pascal compiler, which was not found.\n"
          "Install the Debian packages fp-compiler fp-units-fcl fp-units-misc "
          "(tools/setup.sh does it).")
      endif()
      set(qb_chmc_dir ${CMAKE_CURRENT_BINARY_DIR}/chmc)
      string(REPLACE "${qb_faulty}" "Writer.AddContext(nd.ContextNumber,files[i]);"
             qb_writer_text "${qb_writer_text}")
      # Written only when it changes, so that the compiler is not rebuilt at every configure.
      set(qb_old_text "")
      if(EXISTS ${qb_chmc_dir}/chmfilewriter.pas)
        file(READ ${qb_chmc_dir}/chmfilewriter.pas qb_old_text)
      endif()
      if(NOT qb_old_text STREQUAL qb_writer_text)
        file(WRITE ${qb_chmc_dir}/chmfilewriter.pas "${qb_writer_text}")
      endif()
      configure_file(${CMAKE_CURRENT_LIST_DIR}/qb_chmcmd.pas ${qb_chmc_dir}/qb_chmcmd.pas COPYONLY)
      set(qb_chm_compiler ${qb_chmc_dir}/qb_chmcmd)
      # Both sources sit in one folder, so the corrected unit is taken before
      # the installed one.
      add_custom_command(
        OUTPUT ${qb_chm_compiler}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${qb_chmc_dir}/units
        COMMAND ${QB_FPC} -v0 -l- -O2 -FU${qb_chmc_dir}/units -o${qb_chm_compiler} qb_chmcmd.pas
        WORKING_DIRECTORY ${qb_chmc_dir}
        DEPENDS ${qb_chmc_dir}/qb_chmcmd.pas ${qb_chmc_dir}/chmfilewriter.pas
        COMMENT "Compiling the HTML Help project compiler"
        VERBATIM)
    endif()
  endif()
endif()
