#!/usr/bin/env python3
"""Writes tests/engine/scenes/fixtures/scene.ccb: a scene file with one node of
every class the scene-file reader knows, a hold button, member assignments to
the owner and to the root, and the fallbacks (a missing sprite image, a
missing font file). Run from the repository root."""

import os
import sys


def plist_value(x):
    if isinstance(x, bool):
        return '<true/>' if x else '<false/>'
    if isinstance(x, int):
        return f'<integer>{x}</integer>'
    if isinstance(x, float):
        return f'<real>{x}</real>'
    if isinstance(x, str):
        return f'<string>{x}</string>'
    if isinstance(x, list):
        return '<array>' + ''.join(plist_value(i) for i in x) + '</array>'
    if isinstance(x, dict):
        return '<dict>' + ''.join(f'<key>{k}</key>{plist_value(v)}' for k, v in x.items()) + '</dict>'
    raise TypeError(x)


def node(cls, props, children=()):
    base = {'position': [0, 0], 'contentSize': [0, 0], 'scaleX': 1.0, 'scaleY': 1.0, 'anchorPoint': [0, 0],
            'rotation': 0.0, 'isRelativeAnchorPoint': True, 'visible': True, 'tag': -1, 'zOrder': 0}
    base.update(props)
    return {'class': cls, 'properties': base, 'children': list(children)}


def no_layer_input():
    return {'touchEnabled': False, 'accelerometerEnabled': False}


graph = node('CCNode', {'tag': 1, 'contentSize': [320, 480], 'customClass': 'TestRootNode',
                        'memberVarAssignmentType': 2, 'memberVarAssignmentName': 'root'}, [
    node('CCLayer', {'tag': 2, 'zOrder': 3, 'customClass': 'TestPanelLayer', 'touchEnabled': True,
                     'accelerometerEnabled': False, 'contentSize': [100, 50],
                     'memberVarAssignmentType': 2, 'memberVarAssignmentName': 'panel'}),
    node('CCLayerColor', {'tag': 3, 'zOrder': -1, 'color': [255, 0, 0], 'opacity': 128,
                          'blendFunc': [770, 771], 'contentSize': [40, 30], **no_layer_input()}),
    node('CCLayerGradient', {'tag': 4, 'zOrder': 1, 'color': [0, 0, 255], 'opacity': 255,
                             'endColor': [0, 255, 0], 'endOpacity': 64, 'vector': [0, 1],
                             'blendFunc': [770, 771], **no_layer_input()}),
    node('CCSprite', {'tag': 5, 'zOrder': 2, 'spriteFile': 'ball.png', 'opacity': 200, 'color': [255, 255, 0],
                      'flipX': True, 'flipY': False, 'blendFunc': [1, 771], 'position': [160, 240],
                      'anchorPoint': [0.5, 0.5], 'contentSize': [999, 999]}),
    node('CCSprite', {'tag': 6, 'zOrder': 2, 'spriteFramesFile': 'sheet.plist', 'spriteFile': 'red',
                      'opacity': 255, 'color': [255, 255, 255], 'blendFunc': [1, 771]}),
    node('CCSprite', {'tag': 7, 'zOrder': 2, 'spriteFile': 'not-there.png', 'opacity': 255,
                      'color': [255, 255, 255], 'blendFunc': [1, 771]}),
    node('CCMenu', {'tag': 8, 'zOrder': 4, 'touchEnabled': True, 'accelerometerEnabled': False}, [
        node('CCMenuItemImage', {'tag': 9, 'spriteFileNormal': 'ball.png', 'spriteFileSelected': 'ball.png',
                                 'spriteFileDisabled': 'not-there.png', 'target': 2, 'selector': 'onPlay:',
                                 'isEnabled': True, 'memberVarAssignmentType': 2,
                                 'memberVarAssignmentName': 'playButton'}),
        node('CCMenuItemImage', {'tag': 10, 'customClass': 'CCHoldButtonImage', 'spriteFileNormal': 'ball.png',
                                 'spriteFileSelected': 'ball.png', 'spriteFileDisabled': 'ball.png',
                                 'target': 1, 'selector': 'onReset:', 'isEnabled': False,
                                 'memberVarAssignmentType': 1, 'memberVarAssignmentName': 'resetButton'}),
    ]),
    node('CCLabelBMFont', {'tag': 11, 'zOrder': 5, 'fontFile': 'blocks.fnt', 'string': 'ABC',
                           'opacity': 255, 'color': [255, 255, 255]}),
    node('CCLabelBMFont', {'tag': 12, 'zOrder': 5, 'fontFile': 'not-there.fnt', 'string': 'CAB',
                           'opacity': 255, 'color': [255, 255, 255]}),
    node('CCParticleSystem', {'tag': 13, 'zOrder': 6, 'spriteFile': 'ball.png', 'emitterMode': 0,
                              'emissionRate': 50.0, 'duration': -1.0, 'posVar': [4, 2], 'totalParticles': 300,
                              'life': 1.5, 'lifeVar': 0.5, 'startSize': 12.7, 'startSizeVar': 2,
                              'endSize': -1, 'endSizeVar': 0, 'startSpin': 10, 'startSpinVar': 0,
                              'endSpin': 20, 'endSpinVar': 0, 'startColor': [1.0, 0.5, 0.25, 1.0],
                              'startColorVar': [0, 0, 0, 0], 'endColor': [0, 0, 0, 0],
                              'endColorVar': [0, 0, 0, 0], 'blendFunc': [770, 1], 'gravity': [0, -30],
                              'angle': 90.9, 'angleVar': 10, 'speed': 40, 'speedVar': 5,
                              'tangentialAccel': 0, 'tangentialAccelVar': 0, 'radialAccel': -3,
                              'radialAccelVar': 0}),
])

document = {'fileType': 'SceneBuilder', 'fileVersion': 1, 'nodeGraph': graph}
text = ('<?xml version="1.0" encoding="UTF-8"?>\n'
        '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
        '<plist version="1.0">\n' + plist_value(document) + '\n</plist>\n')
out = sys.argv[1] if len(sys.argv) > 1 else 'tests/engine/scenes/fixtures/scene.ccb'
os.makedirs(os.path.dirname(out), exist_ok=True)
with open(out, 'w') as f:
    f.write(text)
