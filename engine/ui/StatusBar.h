// Written next.
#pragma once
