# The datapath and clock pictures: what to draw (DatapathView, standard library only) and
# the widgets that paint it.
add_library(tarveno_pictures STATIC DatapathView.cpp DatapathPictures.cpp)
target_link_libraries(tarveno_pictures PUBLIC Qt6::Widgets tarveno_core)
tarveno_include_scope(tarveno_pictures ui)
if(TARGET tarveno_layers)
  add_dependencies(tarveno_pictures tarveno_layers)
endif()
