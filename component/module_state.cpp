#include "component/module_state.h"

module_instance_handle module_instance = nullptr;
module_text library_path;
module_text library_file_name;
bool services_initialized = false;
bool services_ever_initialized = false;
