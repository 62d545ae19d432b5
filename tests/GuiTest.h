#pragma once

// What the tests of the window share: the loaded-viewer fixture, the window, and the toolkit
// headers they use, in one place.

#include "ViewerSession.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/Screenshots.h"
#include "viewer/StructurePicking.h"
#include "viewer/StructureSelection.h"

#include "ui/RenderView.h"

#include <QtTest>
#include <QtWidgets>

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkImageActor.h>
#include <vtkImagePlaneWidget.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkPlane.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkVectorOperators.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>
