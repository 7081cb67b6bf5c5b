# Installs the workflow's config.yaml with the paths of the installed varno
# and examples in place of the checkout's, which are relative to the folder
# snakemake runs in. Runs at install time, so that the paths are under the
# prefix the install is given; the folders below it come from the install
# rule before this script.
foreach(dir BINDIR DOCDIR WORKFLOWDIR)
  if(IS_ABSOLUTE "${VARNO_${dir}}")
    set(full_${dir} "${VARNO_${dir}}")
  else()
    set(full_${dir} "${CMAKE_INSTALL_PREFIX}/${VARNO_${dir}}")
  endif()
endforeach()

file(READ "${VARNO_CONFIG_SOURCE}" config)
foreach(setting "varno: build/varno=varno: ${full_BINDIR}/varno"
                "sites: examples/lexa_sites.txt=sites: ${full_DOCDIR}/examples/lexa_sites.txt"
                "options: examples/Options.txt=options: ${full_DOCDIR}/examples/Options.txt")
  string(REPLACE "=" ";" setting "${setting}")
  list(GET setting 0 checkout)
  list(GET setting 1 installed)
  string(FIND "${config}" "\n${checkout}\n" at)
  if(at EQUAL -1)
    # A setting renamed in config.yaml must be renamed here too, or the
    # installed workflow would look for the checkout's files.
    message(FATAL_ERROR "workflow/config.yaml has no line '${checkout}' to point to the installed files")
  endif()
  string(REPLACE "\n${checkout}\n" "\n${installed}\n" config "${config}")
endforeach()
file(WRITE "${VARNO_CONFIG_STAGED}" "${config}")
file(INSTALL "${VARNO_CONFIG_STAGED}" DESTINATION "${full_WORKFLOWDIR}")
