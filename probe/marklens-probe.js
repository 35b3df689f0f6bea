// The Marklens page probe. Evaluated in an isolated world of the page, it evaluates to one
// object whose methods the program calls: mirror, element, currentStyle.
// Page scripts cannot reach this world, but named elements can still shadow properties of
// documents and forms, so DOM reads go through the prototypes' own getters.
(() => {
  'use strict';

  const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
  const call = (fn, self, ...args) => fn.call(self, ...args);

  const nodeTypeOf = getter(Node.prototype, 'nodeType');
  const firstChildOf = getter(Node.prototype, 'firstChild');
  const nextSiblingOf = getter(Node.prototype, 'nextSibling');
  const tagNameOf = getter(Element.prototype, 'tagName');
  const dataOf = getter(CharacterData.prototype, 'data');
  const ownerDocumentOf = getter(Node.prototype, 'ownerDocument');
  const titleOf = getter(Document.prototype, 'title');
  const urlOf = getter(Document.prototype, 'URL');
  const defaultViewOf = getter(Document.prototype, 'defaultView');
  const styleSheetsOf = getter(Document.prototype, 'styleSheets');
  const contentDocumentOf = {
    IFRAME: getter(HTMLIFrameElement.prototype, 'contentDocument'),
    FRAME: getter(HTMLFrameElement.prototype, 'contentDocument'),
  };
  const getAttribute = Element.prototype.getAttribute;
  const getElementsByTagName = Document.prototype.getElementsByTagName;
  const createTreeWalker = Document.prototype.createTreeWalker;
  const walkerFirstChild = TreeWalker.prototype.firstChild;
  const walkerNextSibling = TreeWalker.prototype.nextSibling;
  const walkerParentNode = TreeWalker.prototype.parentNode;
  const kShown = NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_COMMENT;
  const boundingRect = Element.prototype.getBoundingClientRect;
  const matches = Element.prototype.matches;

  const clientLeftOf = getter(Element.prototype, 'clientLeft');
  const clientTopOf = getter(Element.prototype, 'clientTop');
  const clientWidthOf = getter(Element.prototype, 'clientWidth');
  const clientHeightOf = getter(Element.prototype, 'clientHeight');
  const documentElementOf = getter(Document.prototype, 'documentElement');
  const adoptedSheetsOf = getter(Document.prototype, 'adoptedStyleSheets');
  const querySelectorAll = Document.prototype.querySelectorAll;
  const animationsOf = Document.prototype.getAnimations;
  const textContentOf = Object.getOwnPropertyDescriptor(Node.prototype, 'textContent');
  const outerHtmlOf = Object.getOwnPropertyDescriptor(Element.prototype, 'outerHTML');
  const innerHtmlOf = Object.getOwnPropertyDescriptor(Element.prototype, 'innerHTML');
  const localNameOf = getter(Element.prototype, 'localName');
  const parentNodeOf = getter(Node.prototype, 'parentNode');

  const kLabelPart = 80;  // characters of an id, class or comment kept in a label
  const kUnclean = /[\u0000-\u001F\uD800-\uDFFF\uFFFE\uFFFF]/;
  const kEscapes = { '&': '&amp;', '<': '&lt;', '>': '&gt;', "'": '&apos;', '"': '&quot;' };

  // Text that XML 1.0 can carry on one line: line breaks and tabs become blanks, other control
  // characters, lone surrogates and the two non-characters U+FFFD.
  function clean(text) {
    if (!kUnclean.test(text)) return text;
    return text.toWellFormed().replace(/[\t\n\r]/g, ' ').replace(/[\u0000-\u001F\uFFFE\uFFFF]/g, '\uFFFD');
  }

  // Clean text escaped for an XML attribute value.
  function xmlText(text) {
    return clean(text).replace(/[&<>'"]/g, c => kEscapes[c]);
  }

  function cut(text) {
    return text.length <= kLabelPart ? text : text.slice(0, kLabelPart) + '...';
  }

  // A style property's CSS name: "zIndex" is "z-index"; dashed and custom names stay.
  function cssName(name) {
    return name.startsWith('--') || name.includes('-') ? name : name.replace(/[A-Z]/g, c => '-' + c.toLowerCase());
  }

  function docLabel(doc) {
    let title = '';
    let address = '';
    try {
      title = call(titleOf, doc);
      address = call(urlOf, doc);
    } catch (e) { /* a document that will not say */ }
    return 'doc - ' + (title || address);
  }

  // The computed style of an element of the document, read in the document's own window.
  function computedStyleFor(doc) {
    const view = call(defaultViewOf, doc);
    const compute = view ? view.getComputedStyle : getComputedStyle;
    const self = view || window;
    return element => compute.call(self, element);
  }

  // A frame's document when it is of our origin; another origin's document reads as null.
  function readableFrameDocument(tag, frame) {
    try {
      return call(contentDocumentOf[tag], frame) || null;
    } catch (e) {
      return null;
    }
  }

  // How an element takes part in its page's painting, as the record's paint flags.
  const kLayered = 1;   // painted with the positioned layers of its stacking context, by z
  const kContext = 2;   // makes a stacking context
  const kFloat = 4;     // painted after the in-flow content around it
  const kTopLayer = 8;  // an open modal dialog or popover, above the whole document


  // Rectangles in top-page pixels as {left, top, right, bottom}; null stands for no clip.
  function intersect(a, b) {
    if (a === null) return b;
    if (b === null) return a;
    return {
      left: Math.max(a.left, b.left), top: Math.max(a.top, b.top),
      right: Math.min(a.right, b.right), bottom: Math.min(a.bottom, b.bottom),
    };
  }

  function union(a, b) {
    return {
      left: Math.min(a.left, b.left), top: Math.min(a.top, b.top),
      right: Math.max(a.right, b.right), bottom: Math.max(a.bottom, b.bottom),
    };
  }


  // Longhands that make an element positioned, floating, a stacking context, a containing block
  // of fixed descendants or a clip of its content. Few elements have any of them; only those
  // that a rule, an inline style, an animation or the browser's own sheet can give them to are
  // read for them.
  const kLayerProperties = new Set(['position', 'z-index', 'float', 'overflow-x', 'overflow-y', 'opacity',
    'transform', 'translate', 'rotate', 'scale', 'filter', 'backdrop-filter', 'perspective', 'clip-path',
    'mask-image', '-webkit-mask-image', 'isolation', 'mix-blend-mode', 'will-change', 'contain', 'container-type']);
  const kBrowserLayered = '[style],dialog,[popover],svg,select,textarea,marquee';
  // Of those, the ones that make a stacking context or a holder of fixed descendants by other
  // means than position and z-index: fewer still, and each costs a dozen reads.
  const kContextProperties = new Set(['opacity', 'transform', 'translate', 'rotate', 'scale', 'filter',
    'backdrop-filter', 'perspective', 'clip-path', 'mask-image', '-webkit-mask-image', 'isolation', 'mix-blend-mode',
    'will-change', 'contain', 'container-type']);
  // The inherited properties the records carry. An element whose own value no declaration can
  // change has its parent's, so only those a rule, an inline style, an animation or an SVG
  // attribute can reach are read.
  const kRecordInherited = new Set(['visibility', 'pointer-events']);
  const kBrowserInherited = '[style],[visibility],[pointer-events],[inert]';

  function setsAny(style, properties) {
    for (let i = 0; i < style.length; ++i) {
      if (properties.has(style[i])) return true;
    }
    return false;
  }

  // Adds to each list the selectors of the rules that set one of its properties; false when a
  // rule cannot be judged (a sheet of another origin, nested rules with relative selectors).
  function collectSelectors(rules, lists) {
    for (const rule of rules) {
      const type = rule.type;
      if (type === CSSRule.STYLE_RULE) {
        if (rule.cssRules && rule.cssRules.length > 0) return false;
        for (const list of lists) {
          if (setsAny(rule.style, list.properties)) list.selectors.push(rule.selectorText);
        }
      } else if (type === CSSRule.IMPORT_RULE) {
        if (!rule.styleSheet || !collectSheetSelectors(rule.styleSheet, lists)) return false;
      } else if (type !== CSSRule.KEYFRAMES_RULE && rule.cssRules) {
        if (!collectSelectors(rule.cssRules, lists)) return false;
      }
    }
    return true;
  }

  function collectSheetSelectors(sheet, lists) {
    let rules;
    try {
      rules = sheet.cssRules;
    } catch (e) {
      return false;
    }
    return collectSelectors(rules, lists);
  }

  // The elements of the document that may have a layer property, those that may have one of
  // the context properties, and those that may have their own visibility or pointer-events,
  // each a set or null for all of them.
  function candidatesOf(doc) {
    const all = { layer: null, context: null, inherited: null };
    try {
      const lists = [
        { properties: kLayerProperties, selectors: [kBrowserLayered] },
        { properties: kContextProperties, selectors: [kBrowserLayered] },
        { properties: kRecordInherited, selectors: [kBrowserInherited] },
      ];
      for (const sheet of styleSheetsOf.call(doc)) {
        if (!collectSheetSelectors(sheet, lists)) return all;
      }
      for (const sheet of adoptedSheetsOf.call(doc)) {
        if (!collectSheetSelectors(sheet, lists)) return all;
      }
      // One pass over the document finds every candidate; the context properties are some of
      // the layer properties, so their candidates are among those.
      const [layerSelector, contextSelector, inheritedSelector] = lists.map(list => list.selectors.join(','));
      const layer = new Set();
      const context = new Set();
      const inherited = new Set();
      for (const element of querySelectorAll.call(doc, layerSelector + ',' + inheritedSelector)) {
        if (call(matches, element, layerSelector)) {
          layer.add(element);
          if (call(matches, element, contextSelector)) context.add(element);
        }
        if (call(matches, element, inheritedSelector)) inherited.add(element);
      }
      for (const animation of animationsOf.call(doc)) {
        const target = animation.effect && animation.effect.target;
        if (target) {
          layer.add(target);
          context.add(target);
          inherited.add(target);
        }
      }
      return { layer, context, inherited };
    } catch (e) {
      return all;
    }
  }

  // Open modal dialogs and popovers, each with whether its backdrop covers the viewport.
  function topLayerOf(doc) {
    const found = new Map();
    for (const [selector, modal] of [[':modal', true], [':popover-open', false], [':fullscreen', true]]) {
      try {
        for (const element of querySelectorAll.call(doc, selector)) found.set(element, modal);
      } catch (e) { /* a selector this browser does not know */ }
    }
    return found;
  }

  // Whether the element makes a stacking context beyond what holding fixed descendants (which
  // always makes one) already tells.
  function makesStackingContext(style) {
    return style.opacity !== '1' || style.clipPath !== 'none' || style.maskImage !== 'none' ||
      style.isolation === 'isolate' || style.mixBlendMode !== 'normal' ||
      /opacity|clip-path|mask|isolation|mix-blend|z-index/.test(style.willChange) || /size/.test(style.containerType);
  }

  // Whether the element holds its fixed descendants, as the viewport otherwise does.
  function holdsFixed(style) {
    return style.transform !== 'none' || style.translate !== 'none' || style.rotate !== 'none' ||
      style.scale !== 'none' || style.perspective !== 'none' || style.filter !== 'none' ||
      style.backdropFilter !== 'none' || /paint|layout|strict|content/.test(style.contain) ||
      /transform|perspective|filter/.test(style.willChange);
  }

  const kInsetPx = /^inset\(([-\d.]+)px(?: ([-\d.]+)px)?(?: ([-\d.]+)px)?(?: ([-\d.]+)px)?/;

  // The box that a clip-path of the form inset(<px>...) leaves of the border box; other shapes
  // are hit by geometry the mirror does not carry, so their border box stands.
  function clipPathBox(clipPath, box) {
    const inset = kInsetPx.exec(clipPath);
    if (!inset) return null;
    const top = parseFloat(inset[1]);
    const right = inset[2] === undefined ? top : parseFloat(inset[2]);
    const bottom = inset[3] === undefined ? top : parseFloat(inset[3]);
    const left = inset[4] === undefined ? right : parseFloat(inset[4]);
    return { left: box.left + left, top: box.top + top, right: box.right - right, bottom: box.bottom - bottom };
  }

  // A page can scale a box to any size: coordinates beyond this are taken as this, so that a
  // width or the distance between two corners is a whole number the reader takes too.
  const kMaxCoordinate = 2 ** 29;
  const kMaxNumber = 2 ** 31 - 1;
  const kComma = 44;
  const kNewline = 10;
  // The first character of each kind of record (see mirrorStart()).
  const kRecordKind = {
    document: 0x44, emptyDocument: 0x64, element: 0x45, childless: 0x65, frame: 0x46, comment: 0x63,
    look: 0x6B, label: 0x6E, close: 0x29,
  };

  function within(value, limit) {
    return value > limit ? limit : value < -limit ? -limit : value | 0;
  }

  // The records as UTF-16 units in one growing buffer: writing a record makes no strings, and
  // the answer's parts are decoded from the buffer at the end.
  class RecordText {
    constructor() {
      this.units = new Uint16Array(1 << 16);
      this.length = 0;
      this.decoder = new TextDecoder('utf-16le');
    }

    room(count) {
      if (this.length + count <= this.units.length) return;
      const grown = new Uint16Array(Math.max(2 * this.units.length, this.length + count));
      grown.set(this.units);
      this.units = grown;
    }

    unit(code) {
      this.room(1);
      this.units[this.length++] = code;
    }

    text(text) {
      this.room(text.length);
      const units = this.units;
      let at = this.length;
      for (let i = 0; i < text.length; ++i) units[at++] = text.charCodeAt(i);
      this.length = at;
    }

    // An integer and its comma.
    number(value) {
      let n = within(value, kMaxNumber);
      this.room(13);
      const units = this.units;
      if (n < 0) {
        units[this.length++] = 45;
        n = -n;
      }
      let digits = 1;
      for (let power = 10; power <= n; power *= 10) ++digits;
      let at = this.length + digits;
      this.length = at;
      do {
        units[--at] = 48 + n % 10;
        n = (n / 10) | 0;
      } while (n > 0);
      units[this.length++] = kComma;
    }

    // A text record: the kind, the text's length and the text.
    counted(kind, text) {
      this.unit(kind);
      this.number(text.length);
      this.text(text);
      this.unit(kNewline);
    }

    // The records written since the last take, as one string; the buffer is reused. Records
    // are whole when taken, so no surrogate pair is ever split.
    take() {
      const text = this.decoder.decode(this.units.subarray(0, this.length));
      this.length = 0;
      return text;
    }
  }

  // One document of the walk: where its viewport sits in the top page and what it paints.
  class DocumentScope {
    constructor(doc, origin, clip) {
      this.style = computedStyleFor(doc);
      this.origin = origin;
      this.root = call(documentElementOf, doc);
      // The viewport without its scroll bars, where the root element can be hit.
      const width = this.root ? call(clientWidthOf, this.root) : 0;
      const height = this.root ? call(clientHeightOf, this.root) : 0;
      this.viewport = { left: origin.x, top: origin.y, right: origin.x + width, bottom: origin.y + height };
      const candidates = candidatesOf(doc);
      this.candidates = candidates.layer;
      this.contextCandidates = candidates.context;
      this.ownInherited = candidates.inherited;
      this.topLayer = topLayerOf(doc);
      // What the document's top elements inherit: nothing hidden; in a frame, the frame's clip
      // and viewport (the page's own viewport needs none: nothing outside it is in the picture).
      const shown = clip === undefined ? null : intersect(clip, this.viewport);
      // A frame's root element inherits nothing from the frame.
      this.top = {
        hidden: null, clip: shown, clipAbsolute: shown, clipFixed: shown, items: false,
        visibility: 'visible', transparent: 0,
      };
    }
  }

  // The page mirror's walk over the live page, in tree order, as compact records (see
  // mirrorStart()). It keeps its own stack, so any nesting depth fits, and can stop after any
  // node and go on later from there.
  class MirrorWalk {
    constructor(watch) {
      this.nodes = [null];
      this.watch = watch;   // called with each document the walk enters
      this.elements = 0;    // elements walked so far
      this.total = 0;       // elements of the documents entered so far
      this.out = new RecordText();
      this.inherited = [];  // per open element, what its children inherit
      this.frames = [];     // per open frame document, what to restore after it
      this.below = null;    // what the children of the element just read inherit
      this.lastLeft = 0;    // the last box written, from which the next one is counted
      this.lastTop = 0;
      // The pixel box of the element just read (see setBox), when hasBox.
      this.hasBox = false;
      this.boxLeft = 0;
      this.boxTop = 0;
      this.boxRight = 0;
      this.boxBottom = 0;
      // The records' dictionaries: display -> visibility -> [opaque, transparent] maps of
      // z * 16 + paint -> look number; tag -> class -> label number for elements without an id.
      this.looks = new Map();
      this.lookCount = 0;
      this.upperTags = new Map();  // tag name -> upper case
      this.labels = new Map();
      this.labelCount = 0;
    }

    // The number of the look (display, visibility, transparent, z, paint), written first when new.
    look(display, visibility, transparent, z, paint) {
      let byVisibility = this.looks.get(display);
      if (byVisibility === undefined) this.looks.set(display, byVisibility = new Map());
      let pair = byVisibility.get(visibility);
      if (pair === undefined) byVisibility.set(visibility, pair = [new Map(), new Map()]);
      const layering = z * 16 + paint;
      let number = pair[transparent].get(layering);
      if (number === undefined) {
        pair[transparent].set(layering, number = this.lookCount++);
        const out = this.out;
        out.unit(kRecordKind.look);
        out.text(clean(display));
        out.unit(kComma);
        out.text(clean(visibility));
        out.unit(kComma);
        out.number(transparent);
        out.number(z);
        out.number(paint);
        out.unit(kNewline);
      }
      return number;
    }

    // The element's box in whole pixels. The browser hits a point when the pixel square at it
    // meets the box, so the box covers every pixel it touches.
    setBox(left, top, right, bottom) {
      this.hasBox = true;
      this.boxLeft = Math.floor(left);
      this.boxTop = Math.floor(top);
      this.boxRight = Math.ceil(right);
      this.boxBottom = Math.ceil(bottom);
    }

    // The element record of the element just read: "<kind><look>,<label>," and its box with the
    // corner counted from the last box's. Returns where the kind is, to mend it later.
    writeElement(kind, look, label) {
      const out = this.out;
      const at = out.length;
      out.unit(kind);
      out.number(look);
      out.number(label);
      if (this.hasBox) {
        const left = within(this.boxLeft, kMaxCoordinate);
        const top = within(this.boxTop, kMaxCoordinate);
        out.number(left - this.lastLeft);
        out.number(top - this.lastTop);
        out.number(Math.max(0, within(this.boxRight, kMaxCoordinate) - left));
        out.number(Math.max(0, within(this.boxBottom, kMaxCoordinate) - top));
        this.lastLeft = left;
        this.lastTop = top;
      }
      out.unit(kNewline);
      return at;
    }

    begin() {
      this.nodes.push(document);
      this.enterDocument(document);
      this.out.counted(kRecordKind.document, clean(docLabel(document)));
      this.scope = new DocumentScope(document, { x: 0, y: 0 }, undefined);
      this.state = this.scope.top;
      // A walker that shows only elements and comments, so text nodes are never touched.
      this.walker = createTreeWalker.call(document, document, kShown);
      this.node = walkerFirstChild.call(this.walker);
    }

    enterDocument(doc) {
      this.watch(doc);
      this.total += call(getElementsByTagName, doc, '*').length;
    }

    // Walks on for about budget milliseconds (at least one node); true once the whole page is
    // written.
    step(budget) {
      const every = budget > 0 ? 16 : 1;
      const end = performance.now() + budget;
      let node = this.node;
      let count = 0;
      for (;;) {
        while (node !== null) {
          node = this.visit(node);
          if (++count % every === 0 && performance.now() >= end) {
            this.node = node;
            return false;
          }
        }
        node = this.closeParent();
        if (node === undefined) break;
      }
      this.close();
      return true;
    }

    close() {
      this.out.unit(kRecordKind.close);
      this.out.unit(kNewline);
    }

    // Writes the node's record and returns the next node to visit, or null after the last child.
    visit(node) {
      this.nodes.push(node);
      if (nodeTypeOf.call(node) === 8) {
        this.out.counted(kRecordKind.comment, clean(cut(dataOf.call(node).trim())));
        return walkerNextSibling.call(this.walker);
      }
      ++this.elements;
      const tagName = tagNameOf.call(node);
      let tag = this.upperTags.get(tagName);
      if (tag === undefined) this.upperTags.set(tagName, tag = tagName.toUpperCase());
      const look = this.elementFacts(node);
      const label = this.label(node, tag);
      if (tag === 'IFRAME' || tag === 'FRAME') return this.enterFrame(node, tag, look, label);
      const at = this.writeElement(kRecordKind.element, look, label);
      const child = walkerFirstChild.call(this.walker);
      if (child === null) {
        this.out.units[at] = kRecordKind.childless;
        return walkerNextSibling.call(this.walker);
      }
      this.inherited.push(this.state);
      this.state = this.below;
      return child;
    }

    // The number of the element's label (tag, id, class), written first when new. Labels with
    // an id are hardly ever repeated, so they are not looked up.
    label(node, tag) {
      const id = getAttribute.call(node, 'id');
      const cls = getAttribute.call(node, 'class') || '';
      let byClass = null;
      if (!id) {
        byClass = this.labels.get(tag);
        if (byClass === undefined) this.labels.set(tag, byClass = new Map());
        const known = byClass.get(cls);
        if (known !== undefined) return known;
      }
      const idText = id ? clean(cut(id)) : '';
      const classText = cls ? clean(cut(cls)) : '';
      const tagText = clean(tag);
      const out = this.out;
      out.unit(kRecordKind.label);
      out.number(tagText.length);
      out.number(idText.length);
      out.number(classText.length);
      out.text(tagText);
      out.text(idText);
      out.text(classText);
      out.unit(kNewline);
      if (byClass !== null) byClass.set(cls, this.labelCount);
      return this.labelCount++;
    }

    // The element's look number; sets its box and what its children inherit.
    elementFacts(node) {
      const above = this.state;
      this.hasBox = false;
      if (above.hidden !== null) {
        this.below = above;
        return above.hidden;
      }
      const style = this.scope.style(node);
      const display = style.display;
      const own = this.scope.ownInherited === null || node === this.scope.root || this.scope.ownInherited.has(node);
      const visibility = own ? style.visibility : above.visibility;
      const transparent = own ? (style.pointerEvents === 'none' ? 1 : 0) : above.transparent;
      // Elements the browser gives no style (sources of a video, unslotted children of a shadow
      // host) are not rendered, nor is anything below display:none: no box, z 0.
      if (display === '' || display === 'none') {
        const hidden = this.look('none', (display && visibility) || 'hidden', transparent, 0, 0);
        this.below = { hidden };
        return hidden;
      }
      const candidate = this.scope.candidates === null || this.scope.candidates.has(node);
      const layer = candidate ? this.layerFacts(node, style, above) : null;
      this.hitBox(node, layer, above);
      const z = layer ? layer.z : 0;
      const paint = layer ? layer.paint : node === this.scope.root ? kContext : 0;
      this.below = this.childState(node, display, layer, above, visibility, transparent);
      return this.look(display, visibility, transparent, z, paint);
    }

    // Position, z-index, stacking and clipping of an element that may have a layer property.
    layerFacts(node, style, above) {
      const position = style.position;
      const positioned = position !== 'static';
      const zApplies = positioned || above.items;
      const zText = zApplies ? style.zIndex : 'auto';
      const topLayer = this.scope.topLayer.get(node);
      const mayMakeContext = this.scope.contextCandidates === null || this.scope.contextCandidates.has(node);
      const holdsFixedOnes = mayMakeContext && holdsFixed(style);
      const context = topLayer !== undefined || node === this.scope.root || zText !== 'auto' ||
        position === 'fixed' || position === 'sticky' || holdsFixedOnes || (mayMakeContext && makesStackingContext(style));
      let paint = context ? kContext : 0;
      if (positioned || context) paint |= kLayered;
      else if (style.float !== 'none') paint |= kFloat;
      if (topLayer !== undefined) paint |= kTopLayer;
      const overflow = style.overflowX !== 'visible' || style.overflowY !== 'visible' || (mayMakeContext && /paint/.test(style.contain));
      return {
        position, paint, modal: topLayer === true,
        z: zText === 'auto' ? 0 : (parseInt(zText, 10) || 0),
        holdsAbsolute: positioned || holdsFixedOnes,
        holdsFixed: holdsFixedOnes,
        clipsContent: overflow && node !== this.scope.root && !this.isViewportBody(node, style),
        clipPath: mayMakeContext ? style.clipPath : 'none',
      };
    }

    // The body's overflow moves to the viewport when the root's is visible.
    isViewportBody(node, style) {
      if (tagNameOf.call(node) !== 'BODY' || call(parentNodeOf, node) !== this.scope.root) return false;
      const rootStyle = this.scope.style(this.scope.root);
      return rootStyle.overflowX === 'visible' && rootStyle.overflowY === 'visible' && style !== rootStyle;
    }

    // Where the element can be hit: its border box within the clips of its containing blocks,
    // the viewport for the root element and for a modal dialog (its backdrop).
    hitBox(node, layer, above) {
      const rect = boundingRect.call(node);
      const origin = this.scope.origin;
      if (layer === null && node !== this.scope.root) {
        const clip = above.clip;
        if (clip === null) {
          this.setBox(rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y);
        } else {
          this.setBox(Math.max(rect.left + origin.x, clip.left), Math.max(rect.top + origin.y, clip.top),
            Math.min(rect.right + origin.x, clip.right), Math.min(rect.bottom + origin.y, clip.bottom));
        }
        return;
      }
      let box = {
        left: rect.left + origin.x, top: rect.top + origin.y, right: rect.right + origin.x, bottom: rect.bottom + origin.y,
      };
      if (layer) layer.borderBox = box;
      if (node === this.scope.root || (layer && layer.modal)) box = union(box, this.scope.viewport);
      const position = layer ? layer.position : 'static';
      const clip = position === 'fixed' ? above.clipFixed : position === 'absolute' ? above.clipAbsolute : above.clip;
      if (layer) layer.ownClip = clipPathBox(layer.clipPath, box);
      box = intersect(clip, box);
      if (layer && layer.ownClip) box = intersect(layer.ownClip, box);
      this.setBox(box.left, box.top, box.right, box.bottom);
    }

    // What the element's children inherit: the clips for in-flow, absolute and fixed children.
    childState(node, display, layer, above, visibility, transparent) {
      const items = display.includes('flex') || display.includes('grid');
      if (!layer) {
        const same = above.items === items && above.visibility === visibility && above.transparent === transparent;
        return same ? above : { ...above, items, visibility, transparent };
      }
      let contentClip = layer.ownClip;
      // Overflow clips block containers only.
      if (layer.clipsContent && display !== 'inline' && display !== 'contents') {
        const left = layer.borderBox.left + call(clientLeftOf, node);
        const top = layer.borderBox.top + call(clientTopOf, node);
        contentClip = intersect(contentClip, {
          left, top, right: left + call(clientWidthOf, node), bottom: top + call(clientHeightOf, node),
        });
      }
      const clip = intersect(layer.position === 'fixed' ? above.clipFixed :
        layer.position === 'absolute' ? above.clipAbsolute : above.clip, contentClip);
      return {
        hidden: null,
        clip,
        clipAbsolute: layer.holdsAbsolute ? clip : intersect(above.clipAbsolute, layer.ownClip),
        clipFixed: layer.holdsFixed ? clip : intersect(above.clipFixed, layer.ownClip),
        items,
        visibility,
        transparent,
      };
    }

    // A frame's record, then its document's: the document's elements come next, or an empty
    // document of another origin.
    enterFrame(node, tag, look, label) {
      this.writeElement(kRecordKind.frame, look, label);
      const inner = readableFrameDocument(tag, node);
      this.nodes.push(inner);
      if (inner === null) {
        let address = '';
        try { address = getAttribute.call(node, 'src') || ''; } catch (e) { /* none */ }
        this.out.counted(kRecordKind.emptyDocument, clean('doc - ' + address));
        this.close();
        return walkerNextSibling.call(this.walker);
      }
      this.enterDocument(inner);
      this.out.counted(kRecordKind.document, clean(docLabel(inner)));
      this.frames.push({ walker: this.walker, scope: this.scope, state: this.state });
      const below = this.below;
      const shown = below.hidden === undefined || below.hidden === null;
      const origin = shown ? this.frameOrigin(node) : this.scope.origin;
      this.scope = new DocumentScope(inner, origin, shown ? below.clip : null);
      this.state = shown ? this.scope.top : below;
      this.walker = createTreeWalker.call(inner, inner, kShown);
      const first = walkerFirstChild.call(this.walker);
      return first === null ? this.leaveFrame() : first;
    }

    // Where a frame's viewport starts, in the top page: its border box moved in by its border
    // and padding.
    frameOrigin(frame) {
      const box = call(boundingRect, frame);
      const style = this.scope.style(frame);
      return {
        x: this.scope.origin.x + box.left + (parseFloat(style.borderLeftWidth) || 0) + (parseFloat(style.paddingLeft) || 0),
        y: this.scope.origin.y + box.top + (parseFloat(style.borderTopWidth) || 0) + (parseFloat(style.paddingTop) || 0),
      };
    }

    // Closes a frame's document and the frame, back in the outer document after the frame.
    leaveFrame() {
      const outer = this.frames.pop();
      this.walker = outer.walker;
      this.scope = outer.scope;
      this.state = outer.state;
      this.close();
      this.close();
      return walkerNextSibling.call(this.walker);
    }

    // After the last child: closes the parent and returns the node after it (null when that
    // parent has no further sibling either), or undefined at the end of the page.
    closeParent() {
      if (walkerParentNode.call(this.walker) !== null) {
        this.close();
        this.state = this.inherited.pop();
        return walkerNextSibling.call(this.walker);
      }
      if (this.frames.length > 0) return this.leaveFrame();
      return undefined;
    }
  }

  // The element whose markup stands for a node: a frame's document by its root element.
  function markupOwner(node) {
    return call(nodeTypeOf, node) === 9 ? call(documentElementOf, node) : node;
  }

  // Options, scripts and titles have a text of their own; other elements their text content.
  function hasOwnText(node) {
    if (call(nodeTypeOf, node) !== 1) return false;
    const tag = call(localNameOf, node);
    return tag === 'option' || tag === 'script' || tag === 'title';
  }

  // What a step of the walk answers, first in its answer.
  const kStep = { more: 0, done: 1, changed: 2, lost: 3 };

  // Whether a change the page made while it was walked leaves the records written so far
  // consistent: text, style and geometry move on in a live page anyway, but an element added
  // or removed, or a changed label, would make the records a mix of two pages.
  function breaksWalk(records) {
    for (const record of records) {
      if (record.type === 'attributes') {
        if (record.attributeName === 'id' || record.attributeName === 'class') return true;
      } else if (record.type === 'childList') {
        for (const list of [record.addedNodes, record.removedNodes]) {
          for (const node of list) {
            const type = call(nodeTypeOf, node);
            if (type === 1 || type === 8) return true;
          }
        }
      } else if (record.type === 'characterData' && call(nodeTypeOf, record.target) === 8) {
        return true;
      }
    }
    return false;
  }

  class Probe {
    constructor() {
      this.nodes = [null];
      this.walk = null;
      this.observer = null;
      this.broken = false;
    }

    // Starts a walk of the page mirror (dropping one that runs) and walks its first slice; see
    // mirrorStep. The records, one line each in tree order, from which the program builds the
    // mirror:
    //   D|d  a document with|without children: "D<len>,<label>"
    //   E|e  an element with|without children, F a frame (its document record follows):
    //        "E<look>,<label>,<left>,<top>,<width>,<height>," or, when the look's display is
    //        none, "E<look>,<label>," (not rendered: no box). Look and label are numbers of the
    //        records below, counted from 0 in order of appearance. The box is where the element
    //        can be hit; its left and top are counted from those of the last box written (from
    //        0, 0 for the first).
    //   k    a look, before the first element that has it:
    //        "k<display>,<visibility>,<transparent>,<z>,<paint>," where z is the element's own
    //        z-index where it applies (0 for auto) and paint holds the flags kLayered, kContext,
    //        kFloat and kTopLayer from which the program works out the order the browser paints.
    //   n    a label, before the first element that has it: "n<tag len>,<id len>,<class len>,<tag><id><class>"
    //   c    a comment: "c<len>,<text>"
    //   )    closes the last open record.
    // Lengths count UTF-16 units; texts carry no control characters. Node identifiers are the
    // record numbers from 1.
    mirrorStart(budget) {
      this.mirrorAbandon();
      // The page's changes reach the callback between steps, or takeRecords() at a step.
      const observer = new MutationObserver(records => { this.broken = this.broken || breaksWalk(records); });
      this.observer = observer;
      this.broken = false;
      const watch = doc => observer.observe(doc, { subtree: true, childList: true, attributes: true, characterData: true });
      this.walk = new MirrorWalk(watch);
      this.walk.begin();
      return this.mirrorStep(budget);
    }

    // Walks on for about budget milliseconds (Infinity: to the end) and answers
    // [kStep, elements walked, elements of the page, the records written meanwhile]. The walk
    // stops with kStep.changed when the page changed what was walked since the last step, and
    // kStep.lost tells that this probe has no walk (it is new: the page navigated). Once done,
    // element() answers for the new mirror's identifiers.
    mirrorStep(budget) {
      const walk = this.walk;
      if (walk === null) return [kStep.lost, 0, 0, ''];
      if (this.broken || breaksWalk(this.observer.takeRecords())) {
        this.mirrorAbandon();
        return [kStep.changed, 0, 0, ''];
      }
      const done = walk.step(typeof budget === 'number' ? budget : Infinity);
      const answer = [done ? kStep.done : kStep.more, walk.elements, walk.total, walk.out.take()];
      if (done) {
        this.nodes = walk.nodes;
        this.mirrorAbandon();
      }
      return answer;
    }

    // Drops the walk that runs and all it holds.
    mirrorAbandon() {
      if (this.observer !== null) this.observer.disconnect();
      this.observer = null;
      this.walk = null;
    }

    // The browser's own hit test on a grid over the viewport, every step pixels: x, y and the
    // last mirror's node identifier there (0 for nothing, -1 for a node not in it), row by row.
    // Same-origin frames are followed to the element inside them.
    browserHits(step) {
      const ids = new Map();
      this.nodes.forEach((node, id) => { if (node) ids.set(node, id); });
      const hits = [];
      for (let y = 0; y < innerHeight; y += step) {
        for (let x = 0; x < innerWidth; x += step) {
          let hit = document.elementFromPoint(x, y);
          let left = 0;
          let top = 0;
          while (hit && (hit.tagName === 'IFRAME' || hit.tagName === 'FRAME')) {
            const inner = readableFrameDocument(hit.tagName, hit);
            if (inner === null) break;
            const box = call(boundingRect, hit);
            const style = call(defaultViewOf, call(ownerDocumentOf, hit)).getComputedStyle(hit);
            left += box.left + parseFloat(style.borderLeftWidth) + parseFloat(style.paddingLeft);
            top += box.top + parseFloat(style.borderTopWidth) + parseFloat(style.paddingTop);
            const below = inner.elementFromPoint(x - left, y - top);
            if (below === null) break;
            hit = below;
          }
          hits.push(x, y, hit === null ? 0 : ids.get(hit) || -1);
        }
      }
      return hits;
    }

    // The live node behind a node identifier of the last mirror, or null.
    element(idText) {
      if (typeof idText !== 'string' || !/^[1-9][0-9]{0,9}$/.test(idText)) return null;
      const node = this.nodes[Number(idText)];
      return node === undefined ? null : node;
    }

    // The live node's reads and writes, for a node that element() gave: an element, a comment
    // or a frame's document.
    tagName(node) {
      const type = call(nodeTypeOf, node);
      if (type === 8) return 'COMMENT';
      if (type === 9) return '#document';
      return call(tagNameOf, node);
    }

    outerHtml(node) {
      if (call(nodeTypeOf, node) === 8) return '<!--' + call(dataOf, node) + '-->';
      return outerHtmlOf.get.call(markupOwner(node));
    }

    innerHtml(node) {
      if (call(nodeTypeOf, node) === 8) return call(dataOf, node);
      return innerHtmlOf.get.call(markupOwner(node));
    }

    text(node) {
      if (call(nodeTypeOf, node) === 8) return call(dataOf, node);
      if (hasOwnText(node)) return node.text;
      return textContentOf.get.call(node) || '';
    }

    setOuterHtml(node, html) {
      if (call(nodeTypeOf, node) === 8) {
        node.replaceWith(call(ownerDocumentOf, node).createRange().createContextualFragment(html));
        return;
      }
      outerHtmlOf.set.call(node, html);
    }

    setInnerHtml(node, html) {
      if (call(nodeTypeOf, node) === 8) { node.data = html; return; }
      innerHtmlOf.set.call(node, html);
    }

    setText(node, text) {
      if (call(nodeTypeOf, node) === 8) { node.data = text; return; }
      if (hasOwnText(node)) { node.text = text; return; }
      textContentOf.set.call(node, text);
    }

    // Sets one property of the element's inline style; the refusal's text, or '' when set. The
    // browser drops an invalid name or value without a word, so a fresh style shows what it
    // keeps (the element's own may still hold an older valid value).
    setStyle(node, name, value) {
      if (call(nodeTypeOf, node) !== 1 || !node.style) return 'This node has no inline style';
      const prop = cssName(name);
      const important = /\s*!\s*important\s*$/i;
      const priority = important.test(value) ? 'important' : '';
      const bare = value.replace(important, '');
      if (bare.trim() === '') { node.style.removeProperty(prop); return ''; }
      const trial = call(ownerDocumentOf, node).createElement('div').style;
      trial.setProperty(prop, bare, priority);
      if (trial.getPropertyValue(prop) === '') return 'The browser rejected the style ' + prop + ': ' + value;
      node.style.setProperty(prop, bare, priority);
      return '';
    }

    // One attrib per catalog entry, in catalog order: its name, the catalog's default echoed,
    // and the element's computed value.
    currentStyle(element, catalogXml) {
      const catalog = new DOMParser().parseFromString(String(catalogXml), 'application/xml');
      const root = catalog.documentElement;
      if (!root || root.getElementsByTagName('parsererror').length > 0 || root.localName !== 'attribs') {
        throw new Error('The attribute catalog is not an attribs document');
      }
      let style = null;
      if (element && call(nodeTypeOf, element) === 1) {
        style = computedStyleFor(ownerDocumentOf.call(element))(element);
      }
      let out = '<attribs>';
      for (const entry of root.children) {
        if (entry.localName !== 'attrib') continue;
        const name = entry.getAttribute('name') || '';
        const fallback = entry.getAttribute('default') || '';
        const current = style ? style.getPropertyValue(cssName(name)) : '';
        out += '<attrib name="' + xmlText(name) + '" default="' + xmlText(fallback) +
          '" current="' + xmlText(current) + '"/>';
      }
      return out + '</attribs>';
    }
  }

  return new Probe();
})()
