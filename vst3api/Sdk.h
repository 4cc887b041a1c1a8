// The helper classes of the VST 3 layer.
#pragma once

#include "vst3api/Vst3Api.h"
#include "vst3api/sdk/Bus.h"
#include "vst3api/sdk/ComponentBase.h"
#include "vst3api/sdk/EditController.h"
#include "vst3api/sdk/FObject.h"
#include "vst3api/sdk/Parameter.h"
#include "vst3api/sdk/PluginFactory.h"
#include "vst3api/sdk/PluginView.h"
#include "vst3api/sdk/SingleComponentEffect.h"
#include "vst3api/sdk/StringConvert.h"
#include "vst3api/sdk/Unit.h"
#include "vst3api/sdk/UpdateHandler.h"
