// The tests' names for the headless window and its controls.
#pragma once

#include "headless_window.h"

using MemoryWindow = HeadlessWindow;
using MemoryComboBox = HeadlessComboBox;
using MemoryTextField = HeadlessTextField;
using MemoryCaption = HeadlessCaption;
using MemoryTextView = HeadlessTextView;
using MemoryWindowFrame = HeadlessWindowFrame;
