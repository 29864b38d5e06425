# korv_add_app_manifest(<target>)
# Gives a program the project's application manifest (korv-app.manifest beside this file): a
# resource script naming it as the program's manifest (resource 1 of type 24, RT_MANIFEST), built
# with the target's other sources by the resource compiler.
set(KORV_APP_MANIFEST "${CMAKE_CURRENT_LIST_DIR}/korv-app.manifest")

function(korv_add_app_manifest target)
  set(_rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc")
  file(CONFIGURE OUTPUT "${_rc}" CONTENT "1 24 \"@KORV_APP_MANIFEST@\"\n" @ONLY)
  set_source_files_properties("${_rc}" PROPERTIES OBJECT_DEPENDS "${KORV_APP_MANIFEST}")
  target_sources(${target} PRIVATE "${_rc}")
endfunction()
