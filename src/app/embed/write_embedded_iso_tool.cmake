# Writes the source that carries the ISO editing tool: cmake -DTEMPLATE=...
# -DOUTPUT=... [-DTOOL=<executable>] -P write_embedded_iso_tool.cmake. Written
# anew on every run, so the source is newer than the tool it carries.
if(DEFINED TOOL AND NOT TOOL STREQUAL "")
  set(TOOL_INCBIN ".incbin \\\"${TOOL}\\\"\\n")
else()
  set(TOOL_INCBIN "")
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
file(TOUCH ${OUTPUT})
