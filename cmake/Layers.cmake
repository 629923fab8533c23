# tarveno_include_scope(<target> <folder>)
#
# Gives <target> an include path that holds only <folder> of the source tree (relative to
# the source root, nested folders allowed: ui/model), so that "<folder>/X.h" is found and no
# other folder of the tree is. The path is a folder of the build tree with one link in it,
# scopes/<target>/<folder> -> <source>/<folder>. It is PUBLIC: linked in the direction of the
# layers, each target sees its own folder and those of the layers below it, and an include
# of a layer above is not found. The target also waits for the layer check, whose message
# says which include points the wrong way before the compiler says it is missing.
function(tarveno_include_scope target folder)
  get_target_property(known ${target} TARVENO_INCLUDE_SCOPE)
  if(known)
    message(FATAL_ERROR "tarveno_include_scope: ${target} already has the scope ${known}")
  endif()
  string(REGEX REPLACE "/+$" "" folder "${folder}")
  set(source ${PROJECT_SOURCE_DIR}/${folder})
  if(folder MATCHES "(^|/)\\.\\.?(/|$)|^/" OR NOT IS_DIRECTORY ${source})
    message(FATAL_ERROR "tarveno_include_scope: ${folder} is not a folder below ${PROJECT_SOURCE_DIR}")
  endif()
  set_property(TARGET ${target} PROPERTY TARVENO_INCLUDE_SCOPE ${folder})

  # Made afresh on each configure, so that a folder moved since leaves no link behind. The
  # removal takes the links away without following them.
  set(scope ${CMAKE_BINARY_DIR}/scopes/${target})
  file(REMOVE_RECURSE ${scope})
  get_filename_component(parent ${scope}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${source} ${scope}/${folder} SYMBOLIC)

  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${scope})
  else()
    target_include_directories(${target} PUBLIC ${scope})
  endif()
  if(TARGET tarveno_layers)
    add_dependencies(${target} tarveno_layers)
  endif()
endfunction()
