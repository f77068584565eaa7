#include "tkbsim/models.h"

namespace tkbsim {

const ModelInfo* FindModel(std::string_view name) {
    for (const ModelInfo& model : kModels) {
        if (name == model.name) {
            return &model;
        }
    }
    return nullptr;
}

const ModelInfo* FindModel(ModelId id) {
    for (const ModelInfo& model : kModels) {
        if (model.id == id) {
            return &model;
        }
    }
    return nullptr;
}

}  // namespace tkbsim
