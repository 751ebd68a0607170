# Copies the example and test listings into SEED_DIR (run at build time).
file(MAKE_DIRECTORY ${SEED_DIR})
file(GLOB seeds ${SOURCE_DIR}/examples/*.txt ${SOURCE_DIR}/tests/data/*.txt)
foreach(seed IN LISTS seeds)
  file(RELATIVE_PATH rel ${SOURCE_DIR} ${seed})
  string(REPLACE "/" "_" flat ${rel})
  configure_file(${seed} ${SEED_DIR}/${flat} COPYONLY)
endforeach()
