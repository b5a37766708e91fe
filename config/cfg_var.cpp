#include "config/cfg_var.h"

cfg_var* cfg_var_list_head = nullptr;

cfg_var::cfg_var(const GUID& id) noexcept : guid(id), next(cfg_var_list_head) {
    cfg_var_list_head = this;
}
