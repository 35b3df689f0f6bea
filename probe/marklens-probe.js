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
  const elementQuerySelector = Element.prototype.querySelector;
  const shadowRootOf = getter(Element.prototype, 'shadowRoot');
  const shadowModeOf = getter(ShadowRoot.prototype, 'mode');
  const shadowSheetsOf = getter(ShadowRoot.prototype, 'styleSheets');
  const shadowAdoptedSheetsOf = getter(ShadowRoot.prototype, 'adoptedStyleSheets');
  const shadowAnimationsOf = ShadowRoot.prototype.getAnimations;
  const fragmentQuerySelectorAll = DocumentFragment.prototype.querySelectorAll;
  const assignedElementsOf = HTMLSlotElement.prototype.assignedElements;
  const evaluateXPath = Document.prototype.evaluate;
  const snapshotLengthOf = getter(XPathResult.prototype, 'snapshotLength');
  const snapshotItem = XPathResult.prototype.snapshotItem;
  const createTreeWalker = Document.prototype.createTreeWalker;
  const walkerFirstChild = TreeWalker.prototype.firstChild;
  const walkerNextSibling = TreeWalker.prototype.nextSibling;
  const walkerParentNode = TreeWalker.prototype.parentNode;
  const walkerCurrentNode = getter(TreeWalker.prototype, 'currentNode');
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
  const shadowInnerHtmlOf = Object.getOwnPropertyDescriptor(ShadowRoot.prototype, 'innerHTML');
  const nextElementSiblingOf = getter(Element.prototype, 'nextElementSibling');
  const firstElementChildOf = getter(Element.prototype, 'firstElementChild');
  const rootNodeOf = Node.prototype.getRootNode;
  const shadowHostOf = getter(ShadowRoot.prototype, 'host');
  const compareDocumentPosition = Node.prototype.compareDocumentPosition;
  const getAttributeNS = Element.prototype.getAttributeNS;
  const addListener = EventTarget.prototype.addEventListener;
  const removeListener = EventTarget.prototype.removeEventListener;
  const fontsOf = getter(Document.prototype, 'fonts');
  const visibilityStateOf = getter(Document.prototype, 'visibilityState');
  const playStateOf = getter(Animation.prototype, 'playState');
  const effectOf = getter(Animation.prototype, 'effect');
  const effectTargetOf = getter(KeyframeEffect.prototype, 'target');
  const isConnectedOf = getter(Node.prototype, 'isConnected');
  const eventTargetOf = getter(Event.prototype, 'target');
  const eventTypeOf = getter(Event.prototype, 'type');
  const setTimer = window.setTimeout;
  const clearTimer = window.clearTimeout;
  const queueMicrotaskOf = window.queueMicrotask;

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
    return (element, pseudo) => compute.call(self, element, pseudo);
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
  const kBackdrop = 16; // a top-layer element's ::backdrop, painted just below it

  // Content the browser generates for an element (::before, ::after, ::marker, ::backdrop), as
  // the mirror's node for it stands: page script cannot hold the browser's own object for it.
  class Generated {
    constructor(owner, type, backendId, rect) {
      this.owner = owner;
      this.type = type;
      this.backendId = backendId;
      this.rect = rect;  // as the browser measured it, in the owner's viewport
      Object.freeze(this);
    }
  }
  // The order in which an element's generated content stands among its children: ::after last.
  const kGeneratedOrder = ['backdrop', 'marker', 'before', 'after'];

  // Lists whose markers the walk asks about one at a time before it asks about all at once.
  const kMarkerPausesBeforeScan = 2;

  const kTableParts = new Set(['table-row', 'table-row-group', 'table-header-group', 'table-footer-group',
    'table-column', 'table-column-group']);


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
  // The longhands by which a grid item can ask for baseline alignment of its own.
  const kSelfAlignment = new Set(['align-self', 'justify-self']);

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

  // How a tree of nodes (a document, a shadow root) gives its sheets, elements and animations.
  const kDocumentTree = { sheets: styleSheetsOf, adopted: adoptedSheetsOf, query: querySelectorAll, animations: animationsOf };
  const kShadowTree = {
    sheets: shadowSheetsOf, adopted: shadowAdoptedSheetsOf, query: fragmentQuerySelectorAll, animations: shadowAnimationsOf,
  };

  // Candidates told one by one, for a walk that reads only a few elements: matching those few
  // costs less than finding all.
  class MatchedCandidates {
    constructor(selector, animated) {
      this.selector = selector;
      this.animated = animated;
    }

    has(element) {
      return this.animated.has(element) || call(matches, element, this.selector);
    }
  }

  // The elements of the tree that may have a layer property, those that may have one of the
  // context properties, and those that may have their own visibility or pointer-events, each a
  // set (or a MatchedCandidates when few) or null for all of them.
  function candidatesOf(tree, kind, few = false) {
    const all = { layer: null, context: null, inherited: null, selfAligned: null };
    try {
      const lists = [
        { properties: kLayerProperties, selectors: [kBrowserLayered] },
        { properties: kContextProperties, selectors: [kBrowserLayered] },
        { properties: kRecordInherited, selectors: [kBrowserInherited] },
        { properties: kSelfAlignment, selectors: [] },
      ];
      for (const sheet of kind.sheets.call(tree)) {
        if (!collectSheetSelectors(sheet, lists)) return all;
      }
      for (const sheet of kind.adopted.call(tree)) {
        if (!collectSheetSelectors(sheet, lists)) return all;
      }
      // One pass over the document finds every candidate; the context properties are some of
      // the layer properties, so their candidates are among those.
      const [layerSelector, contextSelector, inheritedSelector, selfAligned] = lists.map(list => list.selectors.join(','));
      if (few) {
        const animated = new Set();
        for (const animation of kind.animations.call(tree)) {
          const target = animation.effect && animation.effect.target;
          if (target) animated.add(target);
        }
        // A selector the browser refuses throws here, not later.
        call(fragmentQuerySelectorAll, document.createDocumentFragment(), layerSelector + ',' + inheritedSelector);
        return {
          layer: new MatchedCandidates(layerSelector, animated),
          context: new MatchedCandidates(contextSelector, animated),
          inherited: new MatchedCandidates(inheritedSelector, animated),
          selfAligned,
        };
      }
      const layer = new Set();
      const context = new Set();
      const inherited = new Set();
      for (const element of kind.query.call(tree, layerSelector + ',' + inheritedSelector)) {
        if (call(matches, element, layerSelector)) {
          layer.add(element);
          if (call(matches, element, contextSelector)) context.add(element);
        }
        if (call(matches, element, inheritedSelector)) inherited.add(element);
      }
      for (const animation of kind.animations.call(tree)) {
        const target = animation.effect && animation.effect.target;
        if (target) {
          layer.add(target);
          context.add(target);
          inherited.add(target);
        }
      }
      return { layer, context, inherited, selfAligned };
    } catch (e) {
      return all;
    }
  }

  // Open modal dialogs and popovers, each with whether its backdrop covers the viewport.
  function topLayerOf(doc) {
    const found = new Map();
    // One pass over the document for all three, when the browser knows them all.
    try {
      for (const element of querySelectorAll.call(doc, ':modal, :popover-open, :fullscreen')) {
        found.set(element, call(matches, element, ':fullscreen') || !call(matches, element, ':popover-open'));
      }
      return found;
    } catch (e) { /* one pass per selector */ }
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
    document: 0x44, emptyDocument: 0x64, element: 0x45, childless: 0x65, frame: 0x46, comment: 0x63, shape: 0x61,
    look: 0x6B, label: 0x6E, close: 0x29, shadowRoot: 0x53, emptyShadowRoot: 0x73, slot: 0x71, origin: 0x6F,
    copied: 0x78,
  };

  function within(value, limit) {
    return value > limit ? limit : value < -limit ? -limit : value | 0;
  }

  // The records as UTF-16 units in one growing buffer: writing a record makes no strings, and
  // the answer's parts are decoded from the buffer at the end. A kept text holds all it was
  // ever given, so that a later walk can copy from it.
  class RecordText {
    // spare: a buffer no text uses any more, taken when large enough.
    constructor(kept = false, size = 0, spare = null) {
      this.units = spare !== null && spare.length >= size ? spare : new Uint16Array(Math.max(1 << 16, size));
      this.length = 0;
      this.taken = 0;
      this.kept = kept;
      this.bytes = 0;   // the UTF-8 size of all the units (a kept text's)
      // Runs copied from a text the program holds: [unit start, unit end, byte start there,
      // byte length], answered as references to it.
      this.references = [];
      // The last copy, made only once another one does not go on from it: copies of
      // neighbouring subtrees are then moved in one.
      this.pendingCopy = null;
      this.decoder = new TextDecoder('utf-16le');
    }

    room(count) {
      if (this.length + count <= this.units.length) return;
      this.flushCopy();
      const grown = new Uint16Array(Math.max(2 * this.units.length, this.length + count));
      grown.set(this.units);
      this.units = grown;
    }

    // Records are ASCII but for their texts, which carry no surrogates (see clean).
    unit(code) {
      this.room(1);
      this.units[this.length++] = code;
      ++this.bytes;
    }

    text(text) {
      this.room(text.length);
      const units = this.units;
      let at = this.length;
      let bytes = text.length;
      for (let i = 0; i < text.length; ++i) {
        const code = text.charCodeAt(i);
        if (code >= 0x80) bytes += code >= 0x800 ? 2 : 1;
        units[at++] = code;
      }
      this.length = at;
      this.bytes += bytes;
    }

    // An integer and its comma.
    number(value) {
      let n = within(value, kMaxNumber);
      this.room(13);
      const units = this.units;
      const begin = this.length;
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
      this.bytes += this.length - begin;
    }

    // A text record: the kind, the text's length and the text.
    counted(kind, text) {
      this.unit(kind);
      this.number(text.length);
      this.text(text);
      this.unit(kNewline);
    }

    // Units from to to of another text, records whole, of that many bytes; the program has
    // them at byte held there, unless held is negative.
    copy(units, from, to, bytes, held) {
      this.room(to - from);
      const references = this.references;
      const last = references.length - 4;
      // A run that goes on from the last one, here and in the program's text, joins it.
      if (held >= 0 && last >= 0 && references[last + 1] === this.length && references[last + 2] + references[last + 3] === held) {
        references[last + 1] += to - from;
        references[last + 3] += bytes;
      } else if (held >= 0) {
        references.push(this.length, this.length + to - from, held, bytes);
      }
      const pending = this.pendingCopy;
      if (pending !== null && pending.units === units && pending.to === from &&
        pending.at + (pending.to - pending.from) === this.length && pending.held === held >= 0) {
        pending.to = to;
      } else {
        this.flushCopy();
        this.pendingCopy = { units, from, to, at: this.length, held: held >= 0 };
      }
      this.length += to - from;
      this.bytes += bytes;
    }

    flushCopy() {
      const pending = this.pendingCopy;
      if (pending === null) return;
      this.pendingCopy = null;
      this.units.set(pending.units.subarray(pending.from, pending.to), pending.at);
    }

    // The records written since the last take, as one string, runs the program holds as
    // references to them ("x<byte>,<length>,"); the buffer is reused unless kept. Records are
    // whole when taken, so no surrogate pair is ever split. A copy the program holds is not
    // sent: it may be moved after the answer (see flushCopy).
    take() {
      if (this.pendingCopy !== null && !this.pendingCopy.held) this.flushCopy();
      let text = '';
      let from = this.taken;
      const references = this.references;
      for (let i = 0; i < references.length; i += 4) {
        text += this.decoder.decode(this.units.subarray(from, references[i])) + 'x' + references[i + 2] + ',' +
          references[i + 3] + ',\n';
        from = references[i + 1];
      }
      this.references = [];
      text += this.decoder.decode(this.units.subarray(from, this.length));
      if (this.kept) this.taken = this.length;
      else this.length = 0;
      return text;
    }
  }

  const kMaxPolygonCoordinates = 2 * 4096;

  // The bounds of an image map area's shape in the image, with the shape and its coordinates
  // when it is no rectangle; null for an area of no shape.
  function shapeBounds(shape, coordsText, width, height) {
    const kind = (shape || 'rect').toLowerCase();
    if (kind === 'default') return { left: 0, top: 0, right: width, bottom: height };
    const coords = (coordsText || '').split(/[\s,]+/).filter(text => text !== '').map(parseFloat);
    if (!coords.every(Number.isFinite)) return null;
    if (kind === 'circle' || kind === 'circ') {
      if (coords.length < 3) return null;
      const [x, y, r] = coords;
      return { left: x - r, top: y - r, right: x + r, bottom: y + r, shape: 'circle', coords: [x, y, r] };
    }
    if (kind === 'poly' || kind === 'polygon') {
      if (coords.length < 6) return null;
      const even = coords.slice(0, coords.length - coords.length % 2).slice(0, kMaxPolygonCoordinates);
      const xs = even.filter((_, i) => i % 2 === 0);
      const ys = even.filter((_, i) => i % 2 === 1);
      return {
        left: Math.min(...xs), top: Math.min(...ys), right: Math.max(...xs), bottom: Math.max(...ys),
        shape: 'poly', coords: even,
      };
    }
    if (coords.length < 4) return null;
    return {
      left: Math.min(coords[0], coords[2]), top: Math.min(coords[1], coords[3]),
      right: Math.max(coords[0], coords[2]), bottom: Math.max(coords[1], coords[3]),
    };
  }

  // What a walk keeps of each element it read, so that the next walk can copy the records of a
  // subtree that did not change instead of reading it again. Per node number, kFactSlots
  // values: where its records start and end in the walk's text, its last node, the box corners
  // the records count from before and after it, its border box as read (in top-page pixels)
  // and how far it was moved since, by the page's scroll, when a later walk copied it.
  const kFactSlots = 15;
  const kFactStart = 0;
  const kFactEnd = 1;
  const kFactLast = 2;
  const kFactBase = 3;     // left, top
  const kFactAfter = 5;    // left, top
  const kFactRect = 7;     // left, top, right, bottom; NaN when none was read
  const kFactMoved = 11;   // x, y
  const kFactBytes = 13;   // where its records start and end in the UTF-8 text the program has
  // Flags: the subtree holds what a copy cannot carry (frames, shadow trees, slots, generated
  // content, image maps, the top layer), or what stays put while the page scrolls.
  const kSpecial = 1;
  const kPinned = 2;
  // The subtree holds generated content that depends on its owner alone: a copy carries it
  // as it was measured, and the browser is not asked again.
  const kGenerated = 4;
  // Markers that count (decimal, roman...) change with their list's other items; these do not.
  const kPlainMarker = /^(disc|circle|square|none|disclosure-open|disclosure-closed|".*")$/;
  // Counters and quotes in content depend on what comes before the owner in the document.
  const kCountingContent = /counter|quote/;
  // The subtree holds an absolutely positioned box whose containing block is outside it; the
  // element holds absolutely positioned descendants; the element is one. Only the first goes
  // to the parent.
  const kLoose = 8;
  const kHolds = 16;
  const kOwnLoose = 32;
  const kMaxLabelGrowth = 2;  // a copying walk's labels may grow to this many per node

  // A copying walk may refer to the rows of this many walks before it; beyond, it reads all.
  const kMaxStores = 64;
  // Siblings copied in one go at most, so that a step still ends near its time.
  const kMaxCopyRun = 256;

  // The nodes one walk read itself and its facts of them, by row.
  class FactStore {
    // Small at first: a copying walk reads only the few nodes that changed.
    constructor(size = 256) {
      this.values = new Float64Array(kFactSlots * size);
      this.flags = new Uint8Array(size);
      this.above = [];  // what each element inherited, as the walk's state
      this.nodes = [];
      this.rows = new Map();  // node -> its row
      this.grids = new Map();       // grid container -> its tracks as read
      this.placements = new Map();  // grid item -> where it asked to be placed, as read
      this.selfFree = new Set();  // grid containers none of whose children aligned itself inline, as read
    }

    add(node) {
      const row = this.nodes.length;
      if (row >= this.flags.length) {
        const values = new Float64Array(2 * this.values.length);
        values.set(this.values);
        this.values = values;
        const flags = new Uint8Array(2 * this.flags.length);
        flags.set(this.flags);
        this.flags = flags;
      }
      this.nodes.push(node);
      if (node !== null) this.rows.set(node, row);
      return row;
    }
  }

  // A walk's nodes by number, as runs of rows: those it read are rows of its own store; a
  // subtree it copied stays the rows it came from, in the store of the walk that read them,
  // with what to add to their record offsets, node numbers and corners. A copy costs the same
  // whatever the size of the subtree, and so does a copy of a copy.
  class WalkTable {
    constructor() {
      this.own = new FactStore();
      this.length = 1;  // numbers count from 1
      // Per run: its first number, how many, their store and first row there, what to add to
      // their unit and byte offsets, node numbers and corners, and the number its first node
      // had in the walk it was copied from (-1 for rows read).
      this.first = [];
      this.count = [];
      this.stores = [];
      this.rows = [];
      this.units = [];
      this.bytes = [];
      this.numbers = [];
      this.dx = [];
      this.dy = [];
      this.was = [];
      this.storeSet = new Set([this.own]);
      this.byStore = null;  // store -> its runs in row order, made when a number is looked up
      this.hitStore = null;  // the store of the last node looked up
      this.run = 0;         // the run locate found
      this.lastRow = 0;     // the row of the node pushed last
    }

    // Numbers the node as read by this walk.
    push(node) {
      const row = this.own.add(node);
      const number = this.length++;
      const k = this.first.length - 1;
      if (k >= 0 && this.was[k] < 0 && this.first[k] + this.count[k] === number) {
        ++this.count[k];
      } else {
        this.addRun(number, 1, this.own, row, 0, 0, 0, 0, 0, -1);
      }
      this.lastRow = row;
      return number;
    }

    addRun(first, count, store, row, units, bytes, numbers, dx, dy, was) {
      // Copies of neighbours join into one run, so that the runs stay few.
      const k = this.first.length - 1;
      if (was >= 0 && k >= 0 && this.was[k] >= 0 && this.stores[k] === store && this.first[k] + this.count[k] === first &&
        this.rows[k] + this.count[k] === row && this.was[k] + this.count[k] === was && this.units[k] === units &&
        this.bytes[k] === bytes && this.numbers[k] === numbers && this.dx[k] === dx && this.dy[k] === dy) {
        this.count[k] += count;
        return;
      }
      this.first.push(first);
      this.count.push(count);
      this.stores.push(store);
      this.rows.push(row);
      this.units.push(units);
      this.bytes.push(bytes);
      this.numbers.push(numbers);
      this.dx.push(dx);
      this.dy.push(dy);
      this.was.push(was);
      this.storeSet.add(store);
      this.byStore = null;
    }

    // The row of a number in its run's store; the run is this.run.
    locate(number) {
      const first = this.first;
      let low = 0;
      let high = first.length - 1;
      while (low < high) {
        const middle = (low + high + 1) >> 1;
        if (first[middle] <= number) low = middle;
        else high = middle - 1;
      }
      this.run = low;
      return this.rows[low] + number - first[low];
    }

    node(number) {
      if (!(number >= 1 && number < this.length)) return undefined;
      const row = this.locate(number);
      return this.stores[this.run].nodes[row];
    }

    // The row of number when node has that number, else -1; the run is this.run.
    rowHolding(number, node) {
      if (!(number >= 1 && number < this.length)) return -1;
      const row = this.locate(number);
      return this.stores[this.run].nodes[row] === node ? row : -1;
    }

    // The nodes from number from to number to of the table last come next, their records
    // moved by units and bytes in the text, their corners by (dx, dy).
    copyFrom(last, from, to, units, bytes, dx, dy) {
      const numbers = this.length - from;
      last.locate(from);
      for (let k = last.run, number = from; number <= to; ++k) {
        const end = Math.min(to, last.first[k] + last.count[k] - 1);
        const count = end - number + 1;
        this.addRun(this.length, count, last.stores[k], last.rows[k] + number - last.first[k], last.units[k] + units,
          last.bytes[k] + bytes, last.numbers[k] + numbers, last.dx[k] + dx, last.dy[k] + dy, number);
        this.length += count;
        number = end + 1;
      }
    }

    // The number of a node in this walk, or -1.
    numberOf(node) {
      if (this.byStore === null) {
        this.byStore = new Map();
        this.hitStore = null;
        for (let k = 0; k < this.first.length; ++k) {
          const runs = this.byStore.get(this.stores[k]);
          if (runs === undefined) this.byStore.set(this.stores[k], [k]);
          else runs.push(k);
        }
        for (const runs of this.byStore.values()) runs.sort((a, b) => this.rows[a] - this.rows[b]);
      }
      // Nodes are mostly asked for in tree order: the next is most likely in the last one's store.
      const hit = this.hitStore;
      if (hit !== null) {
        const number = this.numberIn(hit, this.byStore.get(hit), node);
        if (number >= 0) return number;
      }
      for (const [store, runs] of this.byStore) {
        if (store === hit) continue;
        const number = this.numberIn(store, runs, node);
        if (number >= 0) {
          this.hitStore = store;
          return number;
        }
      }
      return -1;
    }

    // The number of a node among the runs of one store, or -1.
    numberIn(store, runs, node) {
      const row = store.rows.get(node);
      if (row === undefined) return -1;
      let low = 0;
      let high = runs.length - 1;
      while (low < high) {
        const middle = (low + high + 1) >> 1;
        if (this.rows[runs[middle]] <= row) low = middle;
        else high = middle - 1;
      }
      const k = runs[low];
      return this.rows[k] <= row && row < this.rows[k] + this.count[k] ? this.first[k] + row - this.rows[k] : -1;
    }
  }

  // The flags a subtree passes to its parent: an element that holds absolutely positioned
  // descendants is their containing block.
  function subtreeFlags(flags) {
    let passed = flags & ~(kHolds | kOwnLoose);
    if ((flags & kHolds) !== 0) passed &= ~kLoose;
    if ((flags & kOwnLoose) !== 0) passed |= kLoose;
    return passed;
  }

  // Where a grid item asks to be placed, and whether it is an item in the grid's flow at all.
  function placementOf(style) {
    return style.display + ' ' + style.position + ' ' + style.gridRowStart + ' ' + style.gridRowEnd + ' ' + style.gridColumnStart + ' ' +
      style.gridColumnEnd + ' ' + style.order;
  }

  function near(a, b) {
    return Math.abs(a - b) < 0.001;
  }

  function sameClip(now, then, x, y) {
    if (now === null || now === undefined || then === null || then === undefined) {
      return (now === null || now === undefined) && (then === null || then === undefined);
    }
    return near(now.left, then.left + x) && near(now.top, then.top + y) && near(now.right, then.right + x) &&
      near(now.bottom, then.bottom + y);
  }

  // Whether an element inherits now what it inherited then, moved by (x, y) since.
  function sameState(now, then, x, y) {
    if (now === then && x === 0 && y === 0) return true;
    if (then === undefined) return false;
    const hidden = now.hidden === undefined ? null : now.hidden;
    if (hidden !== (then.hidden === undefined ? null : then.hidden)) return false;
    if (hidden !== null) return true;
    return now.items === then.items && now.visibility === then.visibility && now.transparent === then.transparent &&
      sameClip(now.clip, then.clip, x, y) && sameClip(now.clipAbsolute, then.clipAbsolute, x, y) &&
      sameClip(now.clipFixed, then.clipFixed, x, y);
  }

  // Copies the dictionary maps of a walk, so that the walk they came from stays as it was.
  function copiedMaps(map, depth) {
    const copy = new Map();
    for (const [key, value] of map) {
      copy.set(key, depth > 1 ? copiedMaps(value, depth - 1) :
        Array.isArray(value) ? value.map(inner => new Map(inner)) : new Map(value));
    }
    return copy;
  }

  // One document of the walk: where its viewport sits in the top page and what it paints.
  class DocumentScope {
    // topLayer: the document's top layer when known (see topLayerOf).
    constructor(doc, origin, clip, few, topLayer = null) {
      this.style = computedStyleFor(doc);
      this.origin = origin;
      this.root = call(documentElementOf, doc);
      // The viewport without its scroll bars, where the root element can be hit; in a frame, its
      // scroll bars belong to the root element too.
      const width = this.root ? call(clientWidthOf, this.root) : 0;
      const height = this.root ? call(clientHeightOf, this.root) : 0;
      this.viewport = { left: origin.x, top: origin.y, right: origin.x + width, bottom: origin.y + height };
      this.rootArea = origin.width === undefined ? this.viewport :
        { left: origin.x, top: origin.y, right: origin.x + origin.width, bottom: origin.y + origin.height };
      this.rootClip = clip === undefined ? null : intersect(clip, this.rootArea);
      const candidates = candidatesOf(doc, kDocumentTree, few);
      this.candidates = candidates.layer;
      this.contextCandidates = candidates.context;
      this.ownInherited = candidates.inherited;
      this.selfAligned = candidates.selfAligned;  // the selectors of rules that align items their own way
      this.topLayer = topLayer !== null ? topLayer : topLayerOf(doc);
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
    // patch, when given, is what the last walk kept and what changed since (see patchFor):
    // the subtrees that did not change are copied from that walk's records.
    constructor(watch, parts, patch, spare) {
      this.table = new WalkTable();
      // What page script cannot see (closed shadow roots, generated content), as the program
      // found it; the walk pauses where it needs more of it.
      this.parts = parts;
      this.generatedIds = new Map();  // the browser's id of generated content -> its node number
      this.watch = watch;   // called with each document and shadow root the walk enters
      this.slotted = new Map();  // element -> its slot's node number and what it inherits there
      this.mapImages = new Map();  // map name -> the first image written that uses it
      this.elements = 0;    // elements walked so far
      this.total = 0;       // elements of the documents entered so far
      // Kept for the next walk. A fresh buffer of megabytes costs more to write first than a used one.
      this.out = new RecordText(true, patch === null ? 0 : patch.walk.out.length + 4096, spare);
      this.defs = new RecordText();     // the dictionaries' records, ahead of the nodes' in each answer
      this.open = [];       // the rows of the open elements
      this.grids = [];      // per open element, whether it is a grid container
      this.settled = [];    // per open element, whether it is a settled grid (see settledGrid)
      this.fresh = -1;      // the depth of open elements below which nothing is copied, or -1
      this.rect = null;     // the border box of the element just read, in its document's viewport
      this.pinned = false;  // the element just read is fixed or sticky
      this.special = false; // the element just read is of the top layer
      this.patch = patch;
      this.nextOld = -1;    // the last walk's number after the subtree copied last: the next sibling's, mostly
      // What canCopy found of the node it was last asked about, and the last states it found alike.
      this.canOld = -1;
      this.canRow = -1;
      this.canRun = -1;
      this.canFlags = 0;
      this.sameNow = null;
      this.sameThen = null;
      this.sameX = NaN;
      this.sameY = NaN;
      // Frames of other origins left empty: [node number, viewport left, top, clip or null];
      // the program walks them through their own probes.
      this.otherFrames = [];
      this.inherited = [];  // per open element, what its children inherit
      this.entered = [];    // per open frame document or shadow root, what to restore after it
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
      // All dictionary records so far, and those an answer has to bring first: a copying walk
      // goes on with the numbers of the walk it copies from.
      this.defsText = '';
      this.prefix = '';
      if (patch !== null) {
        const last = patch.walk;
        this.looks = copiedMaps(last.looks, 2);
        this.lookCount = last.lookCount;
        this.labels = copiedMaps(last.labels, 1);
        this.labelCount = last.labelCount;
        this.upperTags = last.upperTags;
        this.defsText = last.defsText;
        this.prefix = last.defsText;
      }
    }

    // The records written since the last take, the dictionaries' first.
    takeText() {
      const defs = this.defs.take();
      this.defsText += defs;
      const prefix = this.prefix;
      this.prefix = '';
      return prefix + defs + this.out.take();
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
        const out = this.defs;
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
    writeElement(kind, look, label, slot) {
      const out = this.out;
      if (slot !== undefined) {
        out.unit(kRecordKind.slot);
        out.number(slot.id);
        out.unit(kNewline);
      }
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

    // frame: where this document's viewport sits in the top page and the clip it gets there,
    // when it is a frame of another origin (its records then go in place of the frame's empty
    // document in the page's).
    begin(frame) {
      this.table.push(document);
      this.enterDocument(document);
      this.out.counted(kRecordKind.document, clean(docLabel(document)));
      const few = this.patch !== null;
      const topLayer = few ? this.patch.topLayer : null;
      this.scope = frame ? new DocumentScope(document, { x: frame.x, y: frame.y }, frame.clip || null, few, topLayer) :
        new DocumentScope(document, { x: 0, y: 0 }, undefined, few, topLayer);
      this.state = this.scope.top;
      this.parts.enterTree(document, kDocumentTree, this.scope);
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
          const next = this.visit(node);
          if (next === kPause) {
            this.node = node;
            return false;
          }
          node = next;
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
    // Before anything of the node is written, the walk pauses (answers kPause) while the
    // program finds what the page cannot tell: then the node is visited again.
    visit(node) {
      if (this.parts.waiting) return kPause;
      if (nodeTypeOf.call(node) === 8) {
        this.table.push(node);
        this.out.counted(kRecordKind.comment, clean(cut(dataOf.call(node).trim())));
        return walkerNextSibling.call(this.walker);
      }
      if (this.patch !== null) {
        const next = this.copiedRun(node);
        if (next !== undefined) return next;
      }
      const tagName = tagNameOf.call(node);
      let tag = this.upperTags.get(tagName);
      if (tag === undefined) this.upperTags.set(tagName, tag = tagName.toUpperCase());
      const root = this.shadowRootOf(node, tag);
      if (root === null && tag.includes('-') && this.parts.mayHideRoot(node)) return kPause;
      // A slotted element inherits, is clipped and paints where its slot is.
      const slot = this.slotted.size > 0 ? this.slotted.get(node) : undefined;
      const shadowed = root !== null || slot !== undefined;
      const look = this.elementFacts(node, slot === undefined ? this.state : slot.state, shadowed);
      // A list item whose marker the browser has to measure first.
      if (this.parts.waiting) return kPause;
      this.table.push(node);
      ++this.elements;
      const row = this.table.lastRow;
      const special = this.special || kCopyless.has(tag) || (tag === 'IMG' && getAttribute.call(node, 'usemap') !== null);
      this.beginFacts(row, slot === undefined ? this.state : slot.state, special);
      const tracks = this.tracks;
      const rect = this.rect;
      if (tracks !== null) this.table.own.grids.set(node, tracks);
      if (this.style !== null && this.inGrid()) this.table.own.placements.set(node, placementOf(this.style));
      const label = this.label(node, tag);
      if (tag === 'IFRAME' || tag === 'FRAME') {
        this.markSpecial(row);
        return this.enterFrame(node, tag, look, label, slot);
      }
      const area = tag === 'AREA' && this.mapImages.size > 0 ? this.areaOnImage(node) : undefined;
      if (area !== undefined && this.areaShape !== null) this.out.counted(kRecordKind.shape, this.areaShape);
      const at = area === undefined ? this.writeElement(kRecordKind.element, look, label, slot) :
        this.writeElement(kRecordKind.element, area, label, this.areaImage);
      if (tag === 'SLOT') this.noteSlot(node);
      if (tag === 'IMG' && this.hasBox) this.noteMapImage(node);
      const generated = this.parts.generatedOf(node);
      if (root !== null || generated !== undefined) {
        this.table.own.flags[row] |= root === null && this.ownGenerated(node, generated) ? kGenerated : kSpecial;
        this.openFacts(node, row);
        return this.openSpecial(root, generated);
      }
      const child = walkerFirstChild.call(this.walker);
      if (child === null) {
        this.out.units[at] = kRecordKind.childless;
        this.endFacts(row);
        return walkerNextSibling.call(this.walker);
      }
      const settled = tracks !== null && this.patch !== null && this.fresh < 0 && this.settledGrid(node, tracks, rect);
      this.openFacts(node, row, tracks !== null, settled);
      this.inherited.push(this.state);
      this.state = this.below;
      return child;
    }

    // The facts of the element just numbered, before any of its records.
    beginFacts(row, above, special) {
      const facts = this.table.own;
      const values = facts.values;
      const at = row * kFactSlots;
      values[at + kFactStart] = this.out.length;
      values[at + kFactBytes] = this.out.bytes;
      values[at + kFactBase] = this.lastLeft;
      values[at + kFactBase + 1] = this.lastTop;
      const rect = this.rect;
      const origin = this.scope.origin;
      values[at + kFactRect] = rect === null ? NaN : rect.left + origin.x;
      values[at + kFactRect + 1] = rect === null ? NaN : rect.top + origin.y;
      values[at + kFactRect + 2] = rect === null ? NaN : rect.right + origin.x;
      values[at + kFactRect + 3] = rect === null ? NaN : rect.bottom + origin.y;
      values[at + kFactMoved] = 0;
      values[at + kFactMoved + 1] = 0;
      facts.above[row] = above;
      facts.flags[row] = (special ? kSpecial : 0) | (this.pinned ? kPinned : 0) | (this.holds ? kHolds : 0) |
        (this.loose ? kOwnLoose : 0);
    }

    // The element's records are all written: where they end, and its flags go to its parent.
    endFacts(row) {
      const facts = this.table.own;
      const at = row * kFactSlots;
      facts.values[at + kFactEnd] = this.out.length;
      facts.values[at + kFactBytes + 1] = this.out.bytes;
      facts.values[at + kFactLast] = this.table.length - 1;
      facts.values[at + kFactAfter] = this.lastLeft;
      facts.values[at + kFactAfter + 1] = this.lastTop;
      this.passFlags(facts.flags[row]);
    }

    // Flags of a subtree hold for its parent's too.
    passFlags(flags) {
      this.passUp(subtreeFlags(flags));
    }

    passUp(passed) {
      if (passed !== 0 && this.open.length > 0) this.table.own.flags[this.open[this.open.length - 1]] |= passed;
    }

    inGrid() {
      return this.grids.length > 0 && this.grids[this.grids.length - 1];
    }

    // Whether the children of a grid read again keep their boxes with no look at each: its
    // tracks, its box and its children are as they were, and its changed children ask for
    // the cells they did and have the boxes they had. Baseline alignment would let a changed
    // child move the others of its row, so no child may ask for it.
    settledGrid(node, tracks, rect) {
      const patch = this.patch;
      const changed = patch.children.get(node);
      const aligned = this.scope.selfAligned;
      if (changed === undefined || patch.touched.has(node) || aligned === null || aligned === undefined) return false;
      const was = this.lastFacts(node);
      if (was === null || was.store.grids.get(node) !== tracks || !this.keptBox(was, rect)) return false;
      const style = this.scope.style(node);
      if (/baseline/.test(style.alignItems + style.justifyItems)) return false;
      // Child by child: a query of the children would match against the whole subtree. With no
      // rule to match, only the children the page changed can have come to align themselves.
      const alignedRule = aligned === '' ? null : ':is(' + aligned + ')';
      const selfFree = alignedRule === null && was.store.selfFree.has(node);
      const alignsItself = child => {
        const inline = getAttribute.call(child, 'style');
        return inline !== null && inline.includes('self') || alignedRule !== null && call(matches, child, alignedRule);
      };
      try {
        if (selfFree) {
          for (const child of changed) if (call(nodeTypeOf, child) === 1 && alignsItself(child)) return false;
        } else {
          for (let child = call(firstElementChildOf, node); child !== null; child = call(nextElementSiblingOf, child)) {
            if (alignsItself(child)) return false;
          }
        }
      } catch (e) {
        return false;
      }
      this.table.own.selfFree.add(node);
      for (const child of changed) {
        if (call(nodeTypeOf, child) !== 1) continue;  // comments take no part in layout
        const before = this.lastFacts(child);
        if (before === null) return false;
        const own = this.scope.style(child);
        if (own.display === 'contents' || own.display === 'none' || before.store.placements.get(child) !== placementOf(own) ||
          !this.keptBox(before, boundingRect.call(child))) {
          return false;
        }
      }
      return true;
    }

    // Where the last walk keeps the facts of a node: its store, row and run; or null.
    lastFacts(node) {
      const last = this.patch.walk.table;
      const old = last.numberOf(node);
      if (old < 0) return null;
      const row = last.locate(old);
      return { store: last.stores[last.run], row, run: last.run, old };
    }

    // Whether a border box read now (in its document's viewport) is the one the last walk read
    // there, moved by the page's scroll.
    keptBox(was, rect) {
      const last = this.patch.walk.table;
      const values = was.store.values;
      const at = was.row * kFactSlots;
      if (rect === null || Number.isNaN(values[at + kFactRect])) return false;
      const x = values[at + kFactMoved] + last.dx[was.run] + this.patch.x;
      const y = values[at + kFactMoved + 1] + last.dy[was.run] + this.patch.y;
      const origin = this.scope.origin;
      return near(rect.left + origin.x, values[at + kFactRect] + x) &&
        near(rect.top + origin.y, values[at + kFactRect + 1] + y) &&
        near(rect.right + origin.x, values[at + kFactRect + 2] + x) &&
        near(rect.bottom + origin.y, values[at + kFactRect + 3] + y);
    }

    // Whether the element's generated content is a function of the element and its subtree.
    ownGenerated(node, generated) {
      for (const content of generated) {
        if (content.type === 'marker') {
          if (!kPlainMarker.test(this.scope.style(node).listStyleType)) return false;
        } else if (content.type === 'before' || content.type === 'after') {
          if (kCountingContent.test(this.scope.style(node, '::' + content.type).content)) return false;
        } else {
          return false;
        }
      }
      return true;
    }

    markSpecial(row) {
      this.table.own.flags[row] |= kSpecial;
      this.passFlags(kSpecial);
    }

    // An element whose children come next; below one the page changed, nothing is copied.
    // A grid's children are grid items; those of a settled one (see settledGrid) keep their boxes.
    openFacts(node, row, grid = false, settled = false) {
      if (this.patch !== null && this.fresh < 0 && this.patch.dirty.has(node)) this.fresh = this.open.length;
      this.open.push(row);
      this.grids.push(grid);
      this.settled.push(settled);
    }

    closeFacts() {
      this.grids.pop();
      this.settled.pop();
      const row = this.open.pop();
      if (this.fresh === this.open.length) this.fresh = -1;
      this.endFacts(row);
    }

    // Copies the element's records, and those of all its subtree, from the last walk when
    // neither it nor anything below it changed, it inherits what it did and its border box is
    // where it was, or moved only by the page's scroll. The element siblings after it that can
    // be copied too and whose records followed on from its go with it in one copy. The next
    // node to visit, or undefined when the element is not copied.
    copiedRun(node) {
      if (this.fresh >= 0 || node === this.scope.root || !this.canCopy(node, false)) return undefined;
      const patch = this.patch;
      const table = patch.walk.table;
      const old = this.canOld;
      const firstRow = this.canRow;
      const firstRun = this.canRun;
      let row = firstRow;
      let run = firstRun;
      let passed = subtreeFlags(this.canFlags);
      let generated = this.canFlags & kGenerated;
      let next = walkerNextSibling.call(this.walker);
      for (let joined = 1; next !== null && joined < kMaxCopyRun; ++joined) {
        const values = table.stores[run].values;
        const at = row * kFactSlots;
        this.nextOld = values[at + kFactLast] + table.numbers[run] + 1;
        if (nodeTypeOf.call(next) !== 1 || !this.canCopy(next, true) || !this.followsOn(row, run)) break;
        row = this.canRow;
        run = this.canRun;
        passed |= subtreeFlags(this.canFlags);
        generated |= this.canFlags & kGenerated;
        next = walkerNextSibling.call(this.walker);
      }
      this.copy(old, firstRow, firstRun, row, run, passed, generated !== 0, patch);
      return next;
    }

    // Whether the node can be copied as it stands; its last walk's number, row, run and flags
    // are then in this.can*. guessOnly: it must have the number this.nextOld.
    canCopy(node, guessOnly) {
      const patch = this.patch;
      if (patch.dirty.has(node) || patch.path.has(node)) return false;
      const last = patch.walk.table;
      let old = this.nextOld;
      let row = last.rowHolding(old, node);
      if (row < 0) {
        if (guessOnly) return false;
        old = last.numberOf(node);
        if (old < 0) return false;
        row = last.locate(old);
      }
      if (this.slotted.size > 0 && this.slotted.has(node)) return false;
      const run = last.run;
      const store = last.stores[run];
      const flags = store.flags[row];
      const scrolled = patch.x !== 0 || patch.y !== 0;
      if ((flags & kSpecial) !== 0 || ((flags & kPinned) !== 0 && scrolled)) return false;
      const values = store.values;
      const at = row * kFactSlots;
      const x = values[at + kFactMoved] + last.dx[run] + patch.x;
      const y = values[at + kFactMoved + 1] + last.dy[run] + patch.y;
      // Siblings mostly inherited the same then, and do now.
      const above = store.above[row];
      if (this.state !== this.sameNow || above !== this.sameThen || x !== this.sameX || y !== this.sameY) {
        if (!sameState(this.state, above, x, y)) return false;
        this.sameNow = this.state;
        this.sameThen = above;
        this.sameX = x;
        this.sameY = y;
      }
      // In a settled grid, a child's box hangs on its cell alone, unless it is positioned by
      // something outside it.
      const kept = this.settled.length > 0 && this.settled[this.settled.length - 1] &&
        (subtreeFlags(flags) & (kLoose | kPinned)) === 0;
      if (!kept && !Number.isNaN(values[at + kFactRect])) {
        const rect = boundingRect.call(node);
        const origin = this.scope.origin;
        if (!near(rect.left + origin.x, values[at + kFactRect] + x) ||
          !near(rect.top + origin.y, values[at + kFactRect + 1] + y) ||
          !near(rect.right + origin.x, values[at + kFactRect + 2] + x) ||
          !near(rect.bottom + origin.y, values[at + kFactRect + 3] + y)) {
          return false;
        }
      }
      this.canOld = old;
      this.canRow = row;
      this.canRun = run;
      this.canFlags = flags;
      return true;
    }

    // Whether the records of the node this.can* names followed on from those of the subtree at
    // row in run in the last walk's text, with no move of the corner between.
    followsOn(row, run) {
      const table = this.patch.walk.table;
      const before = table.stores[run].values;
      const after = table.stores[this.canRun].values;
      const at = row * kFactSlots;
      const next = this.canRow * kFactSlots;
      const nextRun = this.canRun;
      return before[at + kFactEnd] + table.units[run] === after[next + kFactStart] + table.units[nextRun] &&
        before[at + kFactBytes + 1] + table.bytes[run] === after[next + kFactBytes] + table.bytes[nextRun] &&
        before[at + kFactAfter] + table.dx[run] === after[next + kFactBase] + table.dx[nextRun] &&
        before[at + kFactAfter + 1] + table.dy[run] === after[next + kFactBase + 1] + table.dy[nextRun];
    }

    // The records of the last walk's nodes from old (at row of its store, in its run) to the
    // end of the subtree at endRow in endRun, moved by the page's scroll, and their facts: the
    // first box counts from where it did then. passed: the flags they pass to their parent;
    // generated: some hold generated content.
    copy(old, row, run, endRow, endRun, passed, generated, patch) {
      const last = patch.walk;
      const table = last.table;
      const from = table.stores[run].values;
      const to = table.stores[endRun].values;
      const at = row * kFactSlots;
      const endAt = endRow * kFactSlots;
      const dx = table.dx[run] + patch.x;
      const dy = table.dy[run] + patch.y;
      const start = from[at + kFactStart] + table.units[run];
      const end = to[endAt + kFactEnd] + table.units[endRun];
      const lastNode = to[endAt + kFactLast] + table.numbers[endRun];
      this.nextOld = lastNode + 1;
      const out = this.out;
      // Relative, so that a later copy of a subtree around this one moves it along. No move is
      // left out: copies of neighbours then join.
      const moveX = within(from[at + kFactBase] + dx - this.lastLeft, kMaxNumber);
      const moveY = within(from[at + kFactBase + 1] + dy - this.lastTop, kMaxNumber);
      if (moveX !== 0 || moveY !== 0) {
        out.unit(kRecordKind.origin);
        out.number(moveX);
        out.number(moveY);
        out.unit(kNewline);
      }
      const newStart = out.length;
      const newBytes = out.bytes;
      const byteStart = from[at + kFactBytes] + table.bytes[run];
      const byteEnd = to[endAt + kFactBytes + 1] + table.bytes[endRun];
      out.copy(last.out.units, start, end, byteEnd - byteStart, patch.held ? byteStart : -1);
      this.lastLeft = to[endAt + kFactAfter] + table.dx[endRun] + patch.x;
      this.lastTop = to[endAt + kFactAfter + 1] + table.dy[endRun] + patch.y;
      const first = this.table.length;
      this.table.copyFrom(table, old, lastNode, newStart - start, newBytes - byteStart, patch.x, patch.y);
      this.elements += lastNode - old + 1;
      if (generated) {
        for (let number = first; number < this.table.length; ++number) {
          const content = this.table.node(number);
          if (content instanceof Generated) this.generatedIds.set(content.backendId, number);
        }
      }
      this.passUp(passed);
    }

    // The number of the element's label (tag, id, class), written first when new. Labels with
    // an id are hardly ever repeated, so they are not looked up.
    label(node, tag) {
      const id = node === null ? null : getAttribute.call(node, 'id');
      const cls = node === null ? '' : getAttribute.call(node, 'class') || '';
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
      const out = this.defs;
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

    // The element's look number; sets its box and what its children inherit. A shadow host's
    // or slotted element's own properties can come from rules of a shadow tree's sheets, so
    // they are always read.
    elementFacts(node, above, shadowed, generated) {
      this.hasBox = false;
      this.rect = null;
      this.pinned = false;
      this.special = false;
      this.style = null;
      this.tracks = null;
      this.holds = false;
      this.loose = false;
      if (above.hidden !== null) {
        this.below = above;
        return above.hidden;
      }
      const style = generated === undefined ? this.scope.style(node) : this.scope.style(node, '::' + generated.type);
      this.style = style;
      const display = style.display;
      if (generated === undefined && display.includes('list-item')) this.parts.noteListItem(node, style, this.scope.style);
      const own = shadowed || generated !== undefined || this.scope.ownInherited === null || node === this.scope.root ||
        this.scope.ownInherited.has(node);
      const visibility = own ? style.visibility : above.visibility;
      const transparent = own ? (style.pointerEvents === 'none' ? 1 : 0) : above.transparent;
      // Elements the browser gives no style (sources of a video, unslotted children of a shadow
      // host) are not rendered, nor is anything below display:none: no box, z 0.
      if (display === '' || display === 'none') {
        const hidden = this.look('none', (display && visibility) || 'hidden', transparent, 0, 0);
        this.below = { hidden };
        return hidden;
      }
      const candidate = shadowed || generated !== undefined || this.scope.candidates === null ||
        this.scope.candidates.has(node);
      const layer = candidate ? this.layerFacts(node, style, above, generated) : null;
      if (layer !== null) {
        this.holds = layer.holdsAbsolute;
        this.loose = layer.position === 'absolute';
      }
      if (display === 'grid' || display === 'inline-grid') this.tracks = style.gridTemplateRows + '/' + style.gridTemplateColumns;
      const rect = generated === undefined ? boundingRect.call(node) : generated.rect;
      this.rect = rect;
      this.hitBox(node, layer, above, rect);
      const z = layer ? layer.z : 0;
      const paint = layer ? layer.paint : node === this.scope.root ? kContext : 0;
      this.below = this.childState(node, display, layer, above, visibility, transparent);
      // Only cells of a table are hit: the gaps between them belong to the table.
      const cellsOnly = kTableParts.has(display) ? 1 : transparent;
      return this.look(display, visibility, cellsOnly, z, paint);
    }

    // Position, z-index, stacking and clipping of an element that may have a layer property.
    layerFacts(node, style, above, generated) {
      const position = style.position;
      const positioned = position !== 'static';
      const zApplies = positioned || above.items;
      const zText = zApplies ? style.zIndex : 'auto';
      const backdrop = generated !== undefined && generated.type === 'backdrop';
      const topLayer = generated === undefined ? this.scope.topLayer.get(node) : backdrop ? false : undefined;
      const mayMakeContext = generated !== undefined || this.scope.contextCandidates === null ||
        this.scope.contextCandidates.has(node);
      const holdsFixedOnes = mayMakeContext && holdsFixed(style);
      const context = topLayer !== undefined || node === this.scope.root || zText !== 'auto' ||
        position === 'fixed' || position === 'sticky' || holdsFixedOnes || (mayMakeContext && makesStackingContext(style));
      let paint = context ? kContext : 0;
      if (positioned || context) paint |= kLayered;
      else if (style.float !== 'none') paint |= kFloat;
      if (topLayer !== undefined) paint |= kTopLayer;
      if (topLayer !== undefined) this.special = true;
      if (position === 'fixed' || position === 'sticky') this.pinned = true;
      if (backdrop) paint |= kBackdrop;
      const overflow = style.overflowX !== 'visible' || style.overflowY !== 'visible' || (mayMakeContext && /paint/.test(style.contain));
      return {
        // A modal element stands for its backdrop too, unless that is a node of its own.
        position, paint, modal: topLayer === true && !this.hasBackdrop(node),
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
    hitBox(node, layer, above, rect) {
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
      const root = node === this.scope.root;
      if (root) box = union(box, this.scope.rootArea);
      if (layer && layer.modal) box = union(box, this.scope.viewport);
      const position = layer ? layer.position : 'static';
      const clip = root ? this.scope.rootClip :
        position === 'fixed' ? above.clipFixed : position === 'absolute' ? above.clipAbsolute : above.clip;
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
    enterFrame(node, tag, look, label, slot) {
      this.writeElement(kRecordKind.frame, look, label, slot);
      const inner = readableFrameDocument(tag, node);
      this.table.push(inner);
      if (inner === null) {
        const below = this.below;
        if (below.hidden === undefined || below.hidden === null) {
          const origin = this.frameOrigin(node);
          this.otherFrames.push([this.table.length - 2, origin.x, origin.y, below.clip]);
        }
        let address = '';
        try { address = getAttribute.call(node, 'src') || ''; } catch (e) { /* none */ }
        this.out.counted(kRecordKind.emptyDocument, clean('doc - ' + address));
        this.close();
        return walkerNextSibling.call(this.walker);
      }
      this.enterDocument(inner);
      this.out.counted(kRecordKind.document, clean(docLabel(inner)));
      this.entered.push({ shadow: false, walker: this.walker, scope: this.scope, state: this.state });
      const below = this.below;
      const shown = below.hidden === undefined || below.hidden === null;
      const origin = shown ? this.frameOrigin(node) : this.scope.origin;
      this.scope = new DocumentScope(inner, origin, shown ? below.clip : null, this.patch !== null);
      this.state = shown ? this.scope.top : below;
      this.parts.enterTree(inner, kDocumentTree, this.scope);
      this.walker = createTreeWalker.call(inner, inner, kShown);
      const first = walkerFirstChild.call(this.walker);
      return first === null ? this.leaveFrame() : first;
    }

    // Where a frame's viewport starts, in the top page, and its size with scroll bars: the
    // frame's content box.
    frameOrigin(frame) {
      const box = call(boundingRect, frame);
      const style = this.scope.style(frame);
      const paddingLeft = parseFloat(style.paddingLeft) || 0;
      const paddingTop = parseFloat(style.paddingTop) || 0;
      return {
        x: this.scope.origin.x + box.left + (parseFloat(style.borderLeftWidth) || 0) + paddingLeft,
        y: this.scope.origin.y + box.top + (parseFloat(style.borderTopWidth) || 0) + paddingTop,
        width: Math.max(0, call(clientWidthOf, frame) - paddingLeft - (parseFloat(style.paddingRight) || 0)),
        height: Math.max(0, call(clientHeightOf, frame) - paddingTop - (parseFloat(style.paddingBottom) || 0)),
      };
    }

    // Closes a frame's document and the frame, back in the outer document after the frame.
    leaveFrame() {
      const outer = this.entered.pop();
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
      const parent = walkerParentNode.call(this.walker);
      if (parent !== null) {
        this.closeElement(parent);
        return walkerNextSibling.call(this.walker);
      }
      const inner = this.entered[this.entered.length - 1];
      if (inner === undefined) return undefined;
      return inner.shadow ? this.leaveShadow() : this.leaveFrame();
    }

    // The element's shadow root, open or closed, for the elements that can host one.
    // Most pages have no closed roots, and their hosts are asked only for an open one.
    shadowRootOf(node, tag) {
      if (!tag.includes('-') && !kShadowHosts.has(tag)) return null;
      const open = shadowRootOf.call(node);
      if (open !== null || this.parts.knownRoots.length === 0) return open;
      return this.parts.closedRoots.get(node) || null;
    }

    // An image with a map: the map's areas are hit over the image, where their shapes are.
    noteMapImage(image) {
      const usemap = getAttribute.call(image, 'usemap');
      if (!usemap || usemap[0] !== '#' || this.mapImages.has(usemap.slice(1))) return;
      const rect = call(boundingRect, image);
      this.mapImages.set(usemap.slice(1), {
        id: this.table.length - 1,
        state: this.below,
        left: this.scope.origin.x + rect.left + call(clientLeftOf, image),
        top: this.scope.origin.y + rect.top + call(clientTopOf, image),
        width: call(clientWidthOf, image),
        height: call(clientHeightOf, image),
        look: undefined,
      });
    }

    // The look of an area of a map an image already written uses, with its box set to its
    // shape's bounds; undefined for any other area (not rendered, as the browser has it).
    areaOnImage(area) {
      const map = call(parentNodeOf, area);
      if (map === null || tagNameOf.call(map) !== 'MAP') return undefined;
      const image = this.mapImages.get(getAttribute.call(map, 'name') || getAttribute.call(map, 'id') || '');
      if (image === undefined || image.state.hidden !== null && image.state.hidden !== undefined) return undefined;
      const bounds = shapeBounds(getAttribute.call(area, 'shape'), getAttribute.call(area, 'coords'),
        image.width, image.height);
      if (bounds === null) return undefined;
      const shown = intersect(image.state.clip, {
        left: image.left + Math.max(0, bounds.left), top: image.top + Math.max(0, bounds.top),
        right: image.left + Math.min(image.width, bounds.right), bottom: image.top + Math.min(image.height, bounds.bottom),
      });
      this.setBox(shown.left, shown.top, Math.max(shown.left, shown.right), Math.max(shown.top, shown.bottom));
      // Where the browser hits a circle or polygon, in top-page pixels: within the box, the shape.
      this.areaShape = bounds.shape === undefined ? null : bounds.shape + bounds.coords.map((value, i) =>
        ' ' + Math.round(100 * (value + (bounds.shape === 'circle' && i === 2 ? 0 : i % 2 ? image.top : image.left))) / 100
      ).join('');
      if (image.look === undefined) {
        image.look = this.look('inline', image.state.visibility, image.state.transparent, 0, 0);
      }
      this.areaImage = image;
      return image.look;
    }

    // The elements assigned to a slot take its place in the rendering.
    noteSlot(slot) {
      const entry = { id: this.table.length - 1, state: this.below };
      for (const element of call(assignedElementsOf, slot)) this.slotted.set(element, entry);
    }

    // The host just written gets its shadow root as first child: the shadow tree's elements
    // come next, then the host's own (light) children.
    enterShadow(root) {
      this.table.push(root);
      this.watch(root);
      const at = this.out.length;
      this.out.counted(kRecordKind.shadowRoot, '#shadow-root (' + call(shadowModeOf, root) + ')');
      const candidates = candidatesOf(root, kShadowTree, this.patch !== null);
      const scope = Object.create(this.scope);
      scope.candidates = candidates.layer;
      scope.contextCandidates = candidates.context;
      scope.ownInherited = candidates.inherited;
      scope.selfAligned = null;  // a shadow tree's grids are checked child by child
      this.entered.push({ shadow: true, walker: this.walker, scope: this.scope, state: this.state });
      this.scope = scope;
      this.parts.enterTree(root, kShadowTree, null);
      this.walker = createTreeWalker.call(call(ownerDocumentOf, root), root, kShown);
      const first = walkerFirstChild.call(this.walker);
      if (first !== null) return first;
      this.out.units[at] = kRecordKind.emptyShadowRoot;
      return this.leaveShadow(false);
    }

    // After the shadow tree: the host's light children, or the host closes.
    leaveShadow(opened = true) {
      const outer = this.entered.pop();
      this.walker = outer.walker;
      this.scope = outer.scope;
      this.state = outer.state;
      if (opened) this.close();
      return this.lightChildrenOrClose();
    }

    // An element with a shadow root or generated content: those come first among its
    // children (but ::after, which comes last), then its own children.
    openSpecial(root, generated) {
      this.inherited.push(this.state);
      this.state = this.below;
      const node = call(walkerCurrentNode, this.walker);
      for (const content of generated || []) {
        if (content.type !== 'after') this.writeGenerated(node, content);
      }
      return root !== null ? this.enterShadow(root) : this.lightChildrenOrClose();
    }

    // The current element's own first child, or, without one, the element closes.
    lightChildrenOrClose() {
      const node = call(walkerCurrentNode, this.walker);
      const light = walkerFirstChild.call(this.walker);
      if (light !== null) return light;
      this.closeElement(node);
      return walkerNextSibling.call(this.walker);
    }

    // Closes an element whose children were written, its ::after last.
    closeElement(node) {
      const generated = this.parts.generatedOf(node);
      if (generated !== undefined) {
        const after = generated[generated.length - 1];
        if (after.type === 'after') this.writeGenerated(node, after);
      }
      this.close();
      this.state = this.inherited.pop();
      this.closeFacts();
    }

    // One generated element, a childless element of its owner: its look from the browser's
    // style of it, its box as the browser measured it.
    writeGenerated(owner, content) {
      this.generatedIds.set(content.backendId, this.table.push(content));
      const look = this.elementFacts(owner, this.state, true, content);
      const label = this.label(null, '::' + content.type);
      this.writeElement(kRecordKind.childless, look, label);
    }

    hasBackdrop(node) {
      const generated = this.parts.generatedOf(node);
      return generated !== undefined && generated[0].type === 'backdrop';
    }
  }

  // The element a same-origin frame's document is shown in; null for the top page and for
  // frames whose parent is of another origin (their probe cannot see it).
  function frameElementOf(doc) {
    try {
      const view = call(defaultViewOf, doc);
      return view ? view.frameElement : null;
    } catch (e) {
      return null;
    }
  }

  // A selector of the element alone within its tree (a document or a shadow root), as short as
  // the tree allows: its id, its tag and classes, or a chain of children up to an ancestor with
  // an id or to the top of the tree.
  function uniqueSelector(element, root) {
    const query = call(nodeTypeOf, root) === 9 ? querySelectorAll : fragmentQuerySelectorAll;
    const matchesOnlyIt = selector => {
      try {
        const found = query.call(root, selector);
        return found.length === 1 && found[0] === element;
      } catch (e) {
        return false;
      }
    };
    const idPart = node => {
      const id = getAttribute.call(node, 'id');
      return id ? '#' + CSS.escape(id) : null;
    };
    const own = idPart(element);
    if (own && matchesOnlyIt(own)) return own;
    const tag = CSS.escape(call(localNameOf, element));
    const classes = (getAttribute.call(element, 'class') || '').split(/\s+/).filter(Boolean);
    const classed = tag + classes.map(name => '.' + CSS.escape(name)).join('');
    if (classes.length > 0 && matchesOnlyIt(classed)) return classed;
    const chain = [];
    for (let node = element; node !== null;) {
      const id = node === element ? null : idPart(node);
      if (id && query.call(root, id).length === 1) {
        chain.unshift(id);
      } else {
        chain.unshift(childPart(node));
      }
      const selector = chain.join(' > ');
      if (matchesOnlyIt(selector)) return selector;
      if (id) break;
      const parent = call(parentNodeOf, node);
      node = parent !== null && call(nodeTypeOf, parent) === 1 ? parent : null;
      if (node === null) {
        // The top of the tree: the document's root element, or a child of the shadow root.
        chain[0] += call(nodeTypeOf, root) === 9 ? ':root' : ':not(* > *)';
        const anchored = chain.join(' > ');
        if (matchesOnlyIt(anchored)) return anchored;
      }
    }
    throw new Error('No selector matches only this element');
  }

  // The element's tag, with its place among its siblings of that tag when it has any.
  function childPart(node) {
    const tag = CSS.escape(call(localNameOf, node));
    let index = 1;
    let others = false;
    const parent = call(parentNodeOf, node);
    for (let sibling = parent === null ? null : call(firstChildOf, parent); sibling !== null;
      sibling = call(nextSiblingOf, sibling)) {
      if (call(nodeTypeOf, sibling) !== 1 || call(localNameOf, sibling) !== call(localNameOf, node)) continue;
      if (sibling === node) continue;
      others = true;
      if (call(compareDocumentPosition, sibling, node) & Node.DOCUMENT_POSITION_FOLLOWING) ++index;
    }
    return others ? tag + ':nth-of-type(' + index + ')' : tag;
  }

  // Refuses the nodes that have no markup of their own: generated content and shadow roots.
  function markupOf(node) {
    if (node instanceof Generated) throw new Error('Generated content (::' + node.type + ') has no markup of its own');
    if (call(nodeTypeOf, node) === 11) throw new Error('A shadow root has no markup of its own');
  }

  // The element whose markup stands for a node: a frame's document by its root element.
  function markupOwner(node) {
    return call(nodeTypeOf, node) === 9 ? call(documentElementOf, node) : node;
  }

  // A document no script runs in and no custom element lives in, for writing markup.
  let inert = null;
  function inertDocument() {
    if (!inert) inert = document.implementation.createHTMLDocument('');
    return inert;
  }

  // Options, scripts and titles have a text of their own; other elements their text content.
  function hasOwnText(node) {
    if (call(nodeTypeOf, node) !== 1) return false;
    const tag = call(localNameOf, node);
    return tag === 'option' || tag === 'script' || tag === 'title';
  }

  const kGeneratingPseudo = /::?(before|after|marker)\b/i;

  // Splits a selector list at its top-level commas.
  function selectorParts(text) {
    const parts = [];
    let depth = 0;
    let start = 0;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (c === '(' || c === '[') ++depth;
      else if (c === ')' || c === ']') --depth;
      else if (c === ',' && depth === 0) {
        parts.push(text.slice(start, i));
        start = i + 1;
      }
    }
    parts.push(text.slice(start));
    return parts;
  }

  // The selectors of the elements that rules of the tree's sheets may give ::before or ::after
  // content, and a ::marker; null for a list when a sheet cannot be read (every element may).
  function generatingSelectors(tree, kind) {
    const found = { content: [], marker: [] };
    const collect = rules => {
      for (const rule of rules) {
        if (rule.type === CSSRule.STYLE_RULE) {
          for (const part of selectorParts(rule.selectorText)) {
            const pseudo = kGeneratingPseudo.exec(part);
            if (pseudo === null) continue;
            const base = part.slice(0, pseudo.index).trim() || '*';
            (pseudo[1].toLowerCase() === 'marker' ? found.marker : found.content).push(base);
          }
        }
        if (rule.type === CSSRule.IMPORT_RULE) {
          if (!rule.styleSheet || !readSheet(rule.styleSheet)) return false;
        } else if (rule.type !== CSSRule.KEYFRAMES_RULE && rule.cssRules && !collect(rule.cssRules)) {
          return false;
        }
      }
      return true;
    };
    const readSheet = sheet => {
      let rules;
      try {
        rules = sheet.cssRules;
      } catch (e) {
        return false;
      }
      return collect(rules);
    };
    try {
      for (const sheet of [...kind.sheets.call(tree), ...kind.adopted.call(tree)]) {
        if (!readSheet(sheet)) return { content: null, marker: null };
      }
    } catch (e) {
      return { content: null, marker: null };
    }
    return found;
  }

  // The built-in elements that may host a shadow root; custom elements may too.
  const kShadowHosts = new Set(['ARTICLE', 'ASIDE', 'BLOCKQUOTE', 'BODY', 'DIV', 'FOOTER', 'H1', 'H2', 'H3', 'H4',
    'H5', 'H6', 'HEADER', 'MAIN', 'NAV', 'P', 'SECTION', 'SPAN']);

  // What a step of the walk answers, first in its answer.
  const kStep = { more: 0, done: 1, changed: 2, lost: 3, needs: 4 };

  // What MirrorWalk.visit answers when the walk has to wait for the program.
  const kPause = Symbol('pause');

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

  // Events after which boxes may sit elsewhere while the tree stays the same. They come to a
  // capturing listener of the document or shadow root even where they do not bubble. The last
  // three also tell that the top layer changed: a popover or dialog shown or hidden, fullscreen.
  const kLayoutEvents = ['scroll', 'load', 'error', 'transitionrun', 'transitionend', 'animationstart',
    'animationiteration', 'animationend', 'beforetoggle', 'toggle', 'fullscreenchange'];
  const kTopLayerEvents = new Set(['beforetoggle', 'toggle', 'fullscreenchange']);
  const kListening = { capture: true, passive: true };
  const kJournalEntries = 200;
  const kPlacedChanges = 4000;  // changed nodes a walk copies around; beyond, it reads all again

  function isSheet(node) {
    if (call(nodeTypeOf, node) !== 1) return false;
    const tag = tagNameOf.call(node).toUpperCase();
    return tag === 'STYLE' || tag === 'LINK';
  }

  // An element added or removed with style sheets inside it.
  // One query that stops at the first found: added or removed subtrees can be large.
  function isSheetHolder(element) {
    return call(elementQuerySelector, element, 'style, link') !== null;
  }

  // Elements whose own records a copying walk cannot take from the last: a slot's assigned
  // elements and a map's areas depend on them.
  const kCopyless = new Set(['SLOT', 'MAP', 'AREA']);

  // A node as the tree labels it.
  function nodeLabel(node) {
    const type = call(nodeTypeOf, node);
    if (type === 1) {
      const id = call(getAttribute, node, 'id');
      const cls = call(getAttribute, node, 'class');
      return '<' + clean(call(tagNameOf, node).toUpperCase()) + (id ? ' id="' + clean(cut(id)) + '"' : '') +
        (cls ? ' class="' + clean(cut(cls)) + '"' : '') + '>';
    }
    if (type === 8) {
      const text = clean(cut(call(dataOf, node).trim()));
      return '<COMMENT>' + (text ? ' ' + text : '');
    }
    if (type === 11) return '#shadow-root (' + call(shadowModeOf, node) + ')';
    if (type === 9) return clean(docLabel(node));
    return '';
  }

  function textOf(node) {
    return clean(cut(call(dataOf, node).trim()));
  }

  // What the page changed in the documents and shadow trees a walk entered, from the moment
  // the walk started: the first changes of the tree, how many there were, and whether boxes may
  // have moved without one. Nodes are kept, and numbered only when the changes are taken, so
  // that they get the numbers of the mirror the program has by then.
  class Journal {
    constructor(probe, forWalk) {
      this.probe = probe;
      this.forWalk = forWalk;  // while its walk runs, it also tells whether the page spoilt it
      this.broken = false;
      this.entries = [];       // [ms, kind, node, label, what]
      this.seen = 0;
      this.layout = false;
      this.trees = [];         // [document or shadow root, its getAnimations]
      this.listeners = [];     // [target, type]
      this.moved = event => this.noteMove(event);
      this.observer = new MutationObserver(records => this.note(records));
      // For the next walk to copy what did not change: elements whose own facts changed (their
      // attributes, or their content scrolled), and those whose children or text changed.
      this.dirty = new Set();
      this.touched = new Set();
      this.unplaced = false;  // something changed that the sets cannot place
      this.topLayerMoved = false;  // something may have entered or left the top layer
      this.removedElements = false;
      this.markEntries = 0;    // what it had when the next walk started (see mark)
      this.markSeen = 0;
      this.markLayout = false;
    }

    watch(tree) {
      this.observer.observe(tree, { subtree: true, childList: true, attributes: true, characterData: true });
      const listen = (target, type) => {
        call(addListener, target, type, this.moved, kListening);
        this.listeners.push([target, type]);
      };
      for (const type of kLayoutEvents) listen(tree, type);
      if (call(nodeTypeOf, tree) !== 9) {
        this.trees.push([tree, shadowAnimationsOf]);
        return;
      }
      this.trees.push([tree, animationsOf]);
      const view = call(defaultViewOf, tree);
      if (view) listen(view, 'resize');
      const fonts = call(fontsOf, tree);
      if (fonts) listen(fonts, 'loadingdone');
    }

    // Whether the next walk can copy what the sets do not name.
    knowsChanges() {
      this.note(this.observer.takeRecords());
      if (!this.unplaced) this.placeAnimations();
      return !this.unplaced;
    }

    // A running animation or transition changes its element's style as an edit of that style
    // would: the element is read again.
    placeAnimations() {
      for (const [tree, animations] of this.trees) {
        try {
          for (const animation of animations.call(tree)) {
            if (call(playStateOf, animation) !== 'running') continue;
            const effect = call(effectOf, animation);
            const target = effect === null ? null : call(effectTargetOf, effect);
            if (target !== null) this.place(this.dirty, target);
          }
        } catch (e) {
          this.unplaced = true;  // an effect of a kind the journal does not know
        }
      }
    }

    // The page's own scroll moves every box alike, and an element's scroll the boxes inside
    // it; an element's animation, transition or load changes what an edit of it would.
    // Anything else (the window resized, the document loaded, fonts) may move any box.
    noteMove(event) {
      this.layout = true;
      this.probe.wake(false);
      const type = call(eventTypeOf, event);
      if (kTopLayerEvents.has(type)) this.topLayerMoved = true;
      if (this.unplaced) return;
      const target = call(eventTargetOf, event);
      if (type === 'scroll' && target === document) return;
      if (target instanceof Element) {
        this.place(this.dirty, target);
        return;
      }
      this.unplaced = true;
    }

    place(set, node) {
      if (set.size >= kPlacedChanges) this.unplaced = true;
      else set.add(node);
    }

    // A change to a style sheet may change any element.
    placeRecord(record) {
      const target = record.target;
      const type = call(nodeTypeOf, target);
      if (record.type === 'attributes') {
        if (isSheet(target)) this.unplaced = true;
        else this.place(this.dirty, target);
        return;
      }
      const owner = type === 1 || type === 8 ? target : call(parentNodeOf, target);
      if (owner === null) return;
      if (isSheet(owner)) this.unplaced = true;
      if (record.type === 'childList') {
        for (const list of [record.addedNodes, record.removedNodes]) {
          for (const node of list) if (isSheet(node) || call(nodeTypeOf, node) === 1 && isSheetHolder(node)) this.unplaced = true;
        }
      }
      this.place(this.touched, owner);
    }

    note(records) {
      if (records.length === 0) return;
      this.probe.wake();
      if (this.forWalk && !this.broken && breaksWalk(records)) this.broken = true;
      for (const record of records) {
        if (!this.unplaced) this.placeRecord(record);
        this.noteTopLayer(record);
        // Once the journal is full, changes are only counted.
        if (this.entries.length >= kJournalEntries) {
          this.seen += record.type === 'childList' ? record.addedNodes.length + record.removedNodes.length : 1;
          continue;
        }
        const target = record.target;
        if (record.type === 'childList') {
          this.noteNodes(record.addedNodes, 'added', target);
          this.noteNodes(record.removedNodes, 'removed', target);
        } else if (record.type === 'attributes') {
          const name = clean(record.attributeName);
          const value = call(getAttributeNS, target, record.attributeNamespace, record.attributeName);
          this.add(target, 'attribute', value === null ? name + ' removed' : name + '="' + clean(cut(value)) + '"');
        } else if (record.type === 'characterData') {
          const owner = call(nodeTypeOf, target) === 8 ? target : call(parentNodeOf, target);
          if (owner !== null) this.add(owner, 'text', textOf(target));
        }
      }
    }

    // Dialogs open and popovers by their attributes; an element removed takes what it holds out
    // of the top layer.
    noteTopLayer(record) {
      if (record.type === 'attributes') {
        if (record.attributeName === 'open' || record.attributeName === 'popover') this.topLayerMoved = true;
      } else if (record.type === 'childList' && !this.removedElements) {
        for (const node of record.removedNodes) if (call(nodeTypeOf, node) === 1) this.removedElements = true;
      }
    }

    // Elements and comments are nodes of the tree; text is its parent's. Blank text is nothing
    // the tree shows.
    noteNodes(nodes, kind, parent) {
      for (const node of nodes) {
        const type = call(nodeTypeOf, node);
        if (type === 1 || type === 8) {
          this.add(node, kind, '');
        } else if (type === 3) {
          const text = textOf(node);
          if (text !== '') this.add(parent, 'text', kind === 'added' ? text : '');
        }
      }
    }

    add(node, kind, what) {
      ++this.seen;
      if (this.entries.length >= kJournalEntries) return;
      let label = '';
      try {
        label = nodeLabel(node);
      } catch (e) { /* a node that will not say */ }
      this.entries.push([performance.now() - this.probe.epoch, kind, node, label, what]);
    }

    // What it has when a new walk starts: that much is handed over to the new walk's journal.
    mark() {
      this.note(this.observer.takeRecords());
      this.markEntries = this.entries.length;
      this.markSeen = this.seen;
      this.markLayout = this.layout;
    }

    // Takes over what the journal of the walk before had when this one's walk started.
    adopt(old) {
      this.entries = old.entries.slice(0, old.markEntries).concat(this.entries).slice(0, kJournalEntries);
      this.seen += old.markSeen;
      this.layout = this.layout || old.markLayout;
    }

    // Whether a take would bring something, running animations aside: they always would.
    hasNews() {
      this.note(this.observer.takeRecords());
      return this.seen > 0 || this.layout;
    }

    // [seen, layout, entries with the nodes' numbers], and the journal starts afresh.
    take() {
      this.note(this.observer.takeRecords());
      const entries = this.entries.map(([ms, kind, node, label, what]) =>
        [Math.round(ms), kind, this.probe.numberOf(node), label, what]);
      const answer = [this.seen, this.layout || this.animating(), entries];
      this.entries = [];
      this.seen = 0;
      this.layout = false;
      this.markEntries = 0;
      this.markSeen = 0;
      this.markLayout = false;
      return answer;
    }

    // Running animations and transitions move boxes all the time.
    animating() {
      for (const [tree, animations] of this.trees) {
        try {
          for (const animation of animations.call(tree)) {
            if (call(playStateOf, animation) === 'running') return true;
          }
        } catch (e) { /* a tree that is gone */ }
      }
      return false;
    }

    drop() {
      this.observer.disconnect();
      for (const [target, type] of this.listeners) call(removeListener, target, type, this.moved, kListening);
      this.listeners = [];
      this.trees = [];
      this.entries = [];
    }
  }

  class Probe {
    constructor() {
      this.table = new WalkTable();  // the last mirror's nodes
      this.walk = null;
      this.epoch = performance.now();
      this.journal = null;               // what the page changed since the last done walk started
      this.pending = null;               // the same for the walk that runs
      this.waiter = null;                // ends the program's wait for a change (see changesWait)
      this.walkAtChange = null;          // the arguments of the walk to begin at the next change
      this.early = null;                 // that walk, begun: its arguments, the change count then, done
      this.changeCount = 0;              // of every change the journals saw, never reset
      this.freshIds = new WeakMap();     // node -> its number past the last mirror's
      this.nextFresh = 1;
      this.closedRoots = new WeakMap();  // host -> closed shadow root
      this.knownRoots = [];              // the closed roots found
      this.hosts = [];                   // the elements asked about last
      this.askedHosts = new WeakSet();
      this.scannedRoots = new WeakSet();
      this.shadowTrees = [];             // the shadow roots seen while looking for closed ones
      this.generatedIds = new Map();     // of the last mirror: the browser's id -> node number
      this.lastWalk = null;              // the walk of the last mirror, for the next to copy from
      this.spare = null;                 // the record buffer of the walk before it
      this.walks = 0;                    // the walks started, which number them
      this.waiting = false;              // the walk waits for the program
      this.needSerial = 0;               // counts the times it did
      this.resetGenerated();
    }

    // Generated content moves with its owners: each walk measures it afresh.
    resetGenerated() {
      this.generated = new WeakMap();    // element -> its generated content, in kGeneratedOrder
      this.generatedCount = 0;
      this.generatedHosts = [];          // the elements asked about last
      this.generatedChecked = new WeakSet();
      this.contentTrees = new WeakSet();
      this.markerPauses = 0;
    }

    // Closed shadow roots are out of page script's sight; the program finds them through the
    // browser. The walk asks when it meets an element of a custom tag that may hold one and
    // was not asked about yet: then all such elements of the page and of the shadow trees known
    // so far are asked about at once. Pages without custom elements never pay for the search.
    mayHideRoot(element) {
      if (this.askedHosts.has(element)) return false;
      const found = this.findHosts();
      if (!found.includes(element)) {
        this.askedHosts.add(element);
        found.push(element);
      }
      this.hosts = this.waiting ? [...this.hosts, ...found] : found;
      this.raise();
      return true;
    }

    // Elements of custom tags without an open root, not asked about yet, in the page and in the
    // shadow trees known so far.
    findHosts() {
      const found = [];
      const pending = [];
      const scan = elements => {
        for (const element of elements) {
          const open = call(shadowRootOf, element);
          if (open !== null) {
            pending.push(open);
          } else if (!this.askedHosts.has(element)) {
            this.askedHosts.add(element);
            found.push(element);
          }
        }
      };
      const inPage = call(evaluateXPath, document, "//*[contains(local-name(), '-')]", document, null,
        XPathResult.ORDERED_NODE_SNAPSHOT_TYPE, null);
      const pageHosts = [];
      for (let i = 0; i < call(snapshotLengthOf, inPage); ++i) pageHosts.push(call(snapshotItem, inPage, i));
      scan(pageHosts);
      pending.push(...this.knownRoots);
      while (pending.length > 0) {
        const root = pending.pop();
        if (this.scannedRoots.has(root)) continue;
        this.scannedRoots.add(root);
        this.shadowTrees.push(root);
        const inside = [];
        for (const element of call(fragmentQuerySelectorAll, root, '*')) {
          if (call(localNameOf, element).includes('-')) inside.push(element);
        }
        scan(inside);
      }
      return found;
    }

    // The browser measures generated content; page script cannot. On entering a document or
    // shadow tree the walk asks for the elements a rule of its sheets gives ::before or ::after
    // content and those in the top layer (their ::backdrop); a tree with some brings along the
    // other shadow trees known.
    enterTree(tree, kind, scope) {
      const found = this.contentOwners(tree, kind, scope);
      if (found.length > 0 && kind === kShadowTree) {
        for (const other of this.shadowTrees) found.push(...this.contentOwners(other, kShadowTree, null));
      }
      this.askGenerated(found);
    }

    contentOwners(tree, kind, scope) {
      if (this.contentTrees.has(tree)) return [];
      this.contentTrees.add(tree);
      const found = [];
      const add = element => {
        if (this.generatedChecked.has(element)) return;
        this.generatedChecked.add(element);
        found.push(element);
      };
      const selectors = generatingSelectors(tree, kind).content;
      if (selectors === null || selectors.length > 0) {
        const style = computedStyleFor(kind === kDocumentTree ? tree : call(ownerDocumentOf, tree));
        const content = (element, pseudo) => {
          const value = style(element, pseudo).content;
          return value !== 'none' && value !== 'normal';
        };
        for (const element of kind.query.call(tree, selectors === null ? '*' : selectors.join(','))) {
          if (content(element, '::before') || content(element, '::after')) add(element);
        }
      }
      if (scope !== null) for (const element of scope.topLayer.keys()) add(element);
      return found;
    }

    // A list item the walk is about to write: when it may have a marker not measured yet, the
    // walk waits for it and for the items after it in its list; a page of many lists soon has
    // all the list items of its tree asked about at once.
    noteListItem(element, style, styleOf) {
      if (this.generatedChecked.has(element)) return;
      const found = [];
      const check = (item, own) => {
        if (this.generatedChecked.has(item)) return;
        this.generatedChecked.add(item);
        if (own.display.includes('list-item') && (own.listStyleType !== 'none' || own.listStyleImage !== 'none')) {
          found.push(item);
        }
      };
      check(element, style);
      if (found.length === 0) return;
      if (++this.markerPauses <= kMarkerPausesBeforeScan) {
        for (let next = call(nextElementSiblingOf, element); next !== null; next = call(nextElementSiblingOf, next)) {
          check(next, styleOf(next));
        }
      } else {
        const root = call(rootNodeOf, element);
        const query = call(nodeTypeOf, root) === 9 ? querySelectorAll : fragmentQuerySelectorAll;
        for (const item of query.call(root, 'li, summary')) check(item, styleOf(item));
      }
      this.askGenerated(found);
    }

    askGenerated(found) {
      if (found.length === 0) return;
      this.generatedHosts = this.waiting ? [...this.generatedHosts, ...found] : found;
      this.raise();
    }

    // The walk waits until the program has answered (needsMet).
    raise() {
      if (this.waiting) return;
      this.waiting = true;
      ++this.needSerial;
    }

    needsMet() {
      this.waiting = false;
      this.hosts = [];
      this.generatedHosts = [];
    }

    // What the walk waits for, as the program reads it: the elements to ask about.
    hostsToAsk() { return this.waiting ? this.hosts : []; }
    generatedToAsk() { return this.waiting ? this.generatedHosts : []; }

    generatedOf(element) { return this.generatedCount > 0 ? this.generated.get(element) : undefined; }

    // What the browser found of a candidate: [type, browser id, left, top, right, bottom, ...].
    setGenerated(index, found) {
      const owner = this.generatedHosts[index];
      if (owner === undefined || !Array.isArray(found)) return;
      const list = [];
      for (let i = 0; i + 5 < found.length; i += 6) {
        const type = found[i];
        if (!kGeneratedOrder.includes(type)) continue;
        const [left, top, right, bottom] = found.slice(i + 2, i + 6).map(Number);
        list.push(new Generated(owner, type, Number(found[i + 1]), { left, top, right, bottom }));
      }
      if (list.length === 0) return;
      list.sort((a, b) => kGeneratedOrder.indexOf(a.type) - kGeneratedOrder.indexOf(b.type));
      this.generated.set(owner, list);
      ++this.generatedCount;
    }

    // The browser's id of generated content that element() gave, or 0.
    generatedBackendId(node) { return node instanceof Generated ? node.backendId : 0; }

    // The last mirror's node number of generated content the browser names by its id, or -1.
    idOfGenerated(backendId) { return this.generatedIds.get(backendId) || -1; }

    // The closed roots the browser found for candidates (by their numbers); a root found once
    // stays known.
    setClosedRoots(indices, roots) {
      if (!Array.isArray(indices)) return;
      roots.forEach((root, k) => this.setClosedRoot(indices[k], root));
    }

    setClosedRoot(index, root) {
      const host = this.hosts[index];
      if (host === undefined || !(root instanceof ShadowRoot)) return;
      this.closedRoots.set(host, root);
      this.knownRoots.push(root);
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
    //   S|s  an element's shadow root with|without children, the host's first child:
    //        "S<len>,<label>"; the host's own children follow it
    //   q    "q<n>," before an element assigned to a slot: it paints where node n (the slot) is
    //   a    "a<len>,circle X Y R" or "a<len>,poly X1 Y1 ...": before an image map's area, where
    //        within its box the browser hits it
    //   n    a label, before the first element that has it: "n<tag len>,<id len>,<class len>,<tag><id><class>";
    //        a tag "::before" and so on names generated content
    //   c    a comment: "c<len>,<text>"
    //   [ ]  around the records of a frame of another origin, which its own probe walked, in place
    //        of the frame's empty document: looks, labels, box corners and slot numbers count
    //        afresh inside (the program splices them in, see otherFrames)
    //   o    "o<dx>,<dy>," moves the corner the next box counts from: a run copied from the last walk
    //   x    "x<byte>,<length>," the node records of the last walk's text held by the program, that
    //        many bytes from that byte (its text without dictionary records, references resolved)
    //   )    closes the last open record.
    // Lengths count UTF-16 units; texts carry no control characters. Node identifiers are the
    // record numbers from 1.
    mirrorStart(budget, frame, tellPrevious, copying, held) {
      const early = this.takeEarlyWalk([budget, frame, tellPrevious, copying, held]);
      if (early !== null) return early;
      this.beginWalk(frame, tellPrevious, copying, held);
      return this.mirrorStep(budget);
    }

    beginWalk(frame, tellPrevious, copying, held) {
      this.mirrorAbandon();
      // The walk copies from the last one's records, which must all be in place.
      if (this.lastWalk !== null) this.lastWalk.out.flushCopy();
      this.tellPrevious = tellPrevious === true;
      // The last walk's journal runs on until this one is done.
      if (this.journal !== null) this.journal.mark();
      const patch = copying === true ? this.patchFor() : null;
      // The program holds the records of the walk it names: copies of them go as references.
      if (patch !== null) patch.held = held === patch.walk.serial;
      const pending = new Journal(this, true);
      this.pending = pending;
      this.waiting = false;
      this.hosts = [];
      this.resetGenerated();
      this.walk = new MirrorWalk(tree => pending.watch(tree), this, patch, this.spare);
      this.spare = null;
      this.walk.serial = ++this.walks;
      this.walk.begin(frame);
    }

    // The first step of a walk begun in the task that changed the page (see changesWait): the
    // page draws its frame after the walk instead of before. Nothing of it counts until the
    // program asks for that very walk and the page did not change since; else it is dropped.
    walkEarly(args) {
      if (this.walk !== null) return;
      try {
        this.beginWalk(args[1], args[2], args[3], args[4]);
        const done = this.walk.step(typeof args[0] === 'number' ? args[0] : Infinity);
        this.early = { key: JSON.stringify(args), count: this.changeCount, done };
      } catch (e) {
        this.mirrorAbandon();
      }
    }

    takeEarlyWalk(args) {
      const early = this.early;
      this.early = null;
      if (early === null || this.walk === null) return null;
      const pending = this.pending;
      pending.note(pending.observer.takeRecords());
      if (early.key !== JSON.stringify(args) || early.count !== this.changeCount || pending.broken) return null;
      return this.stepAnswer(early.done);
    }

    // Walks on for about budget milliseconds (Infinity: to the end) and answers
    // [kStep, elements walked, elements of the page, the records written meanwhile], and once
    // done the frames of other origins it left empty (see MirrorWalk.otherFrames), the previous
    // runs when asked (else null) and the walk's number, which a later mirrorStart can name as
    // held: its records then refer to that walk's node records ("x" records). The walk
    // stops with kStep.changed when the page changed what was walked since the last step, and
    // kStep.lost tells that this probe has no walk (it is new: the page navigated). With
    // kStep.needs the walk waits for what only the browser can tell: [need number, hosts to
    // ask about, owners of generated content to measure] comes last (see hostsToAsk,
    // generatedToAsk), and it walks on after needsMet. Once done, element() answers for the
    // new mirror's identifiers.
    mirrorStep(budget) {
      const walk = this.walk;
      if (walk === null) return [kStep.lost, 0, 0, ''];
      // The page's changes reach the journal between steps, or takeRecords() at a step.
      const pending = this.pending;
      pending.note(pending.observer.takeRecords());
      if (pending.broken) {
        this.mirrorAbandon();
        return [kStep.changed, 0, 0, ''];
      }
      return this.stepAnswer(walk.step(typeof budget === 'number' ? budget : Infinity));
    }

    stepAnswer(done) {
      const walk = this.walk;
      const pending = this.pending;
      if (this.waiting && !done) {
        return [kStep.needs, walk.elements, walk.total, walk.takeText(),
          [this.needSerial, this.hosts.length, this.generatedHosts.length]];
      }
      const answer = [done ? kStep.done : kStep.more, walk.elements, walk.total, walk.takeText()];
      if (done) {
        answer.push(walk.otherFrames);
        answer.push(this.tellPrevious ? this.previousRuns(walk.table) : null);
        answer.push(walk.serial);
        this.table = walk.table;
        // The text of the walk before is copied from no more.
        if (this.lastWalk !== null) this.spare = this.lastWalk.out.units;
        this.lastWalk = walk;
        // The records it copied are moved once the answer is on its way, before the next
        // change if the page lets it.
        if (walk.out.pendingCopy !== null) call(setTimer, window, () => walk.out.flushCopy(), 0);
        this.generatedIds = walk.generatedIds;
        this.freshIds = new WeakMap();
        this.nextFresh = this.table.length;
        pending.forWalk = false;
        if (this.journal !== null) {
          pending.adopt(this.journal);
          this.journal.drop();
        }
        this.journal = pending;
        this.pending = null;
        this.walk = null;
      }
      return answer;
    }

    // The numbers the new walk's nodes had in the last mirror, as runs [new, old, length, ...]
    // of consecutive numbers. A run the walk copied from the last mirror is one such run.
    // Generated content is measured anew when its owner is read: it is known by its owner
    // and kind.
    previousRuns(table) {
      if (this.table.length <= 1) return [];
      let generated = null;  // owner -> kind -> number
      const runs = [];
      let last = -1;
      const add = (id, old, count) => {
        if (last >= 0 && runs[last] + runs[last + 2] === id && runs[last + 1] + runs[last + 2] === old) {
          runs[last + 2] += count;
        } else {
          last = runs.length;
          runs.push(id, old, count);
        }
      };
      for (let k = 0; k < table.first.length; ++k) {
        if (table.was[k] >= 0) {
          add(table.first[k], table.was[k], table.count[k]);
          continue;
        }
        const nodes = table.stores[k].nodes;
        for (let i = 0; i < table.count[k]; ++i) {
          const node = nodes[table.rows[k] + i];
          let old;
          if (node instanceof Generated) {
            if (generated === null) generated = this.generatedOwners();
            old = (generated.get(node.owner) || {})[node.type];
          } else {
            old = node === null ? -1 : this.table.numberOf(node);
          }
          if (old !== undefined && old >= 0) add(table.first[k] + i, old, 1);
        }
      }
      return runs;
    }

    generatedOwners() {
      const generated = new Map();
      for (const id of this.generatedIds.values()) {
        const node = this.table.node(id);
        generated.set(node.owner, { ...generated.get(node.owner), [node.type]: id });
      }
      return generated;
    }

    // What a walk may copy from the last one: that walk, the nodes the page changed (their
    // subtrees are read again) and their ancestors (read again, their other children copied),
    // and how far the page scrolled since. None when the journal cannot tell what changed: it
    // overflowed, a style sheet changed, or boxes may have moved for reasons it cannot place.
    patchFor() {
      const last = this.lastWalk;
      const journal = this.journal;
      if (last === null || journal === null || last.table !== this.table || !journal.knowsChanges()) return null;
      if (last.labelCount > kMaxLabelGrowth * last.table.length + 1000) return null;
      if (last.table.storeSet.size > kMaxStores) return null;
      const root = last.scope.root;
      if (root === null || !call(isConnectedOf, root)) return null;
      const number = last.table.numberOf(root);
      if (number < 0) return null;
      const rect = call(boundingRect, root);
      const table = last.table;
      const at = table.locate(number) * kFactSlots;
      const values = table.stores[table.run].values;
      const x = rect.left - (values[at + kFactRect] + values[at + kFactMoved] + table.dx[table.run]) + last.scope.origin.x;
      const y = rect.top - (values[at + kFactRect + 1] + values[at + kFactMoved + 1] + table.dy[table.run]) +
        last.scope.origin.y;
      if (!Number.isInteger(x) || !Number.isInteger(y)) return null;
      const path = new Set();
      // Frames and shadow hosts are read again whenever their trees are: the path stops at
      // the document or shadow root.
      const children = new Map();  // node on the path -> its children on the path or changed
      for (const changed of [...journal.dirty, ...journal.touched]) {
        for (let child = changed, node = call(parentNodeOf, child); node !== null; child = node, node = call(parentNodeOf, node)) {
          const known = children.get(node);
          if (known === undefined) children.set(node, new Set([child]));
          else known.add(child);
          if (path.has(node)) break;
          path.add(node);
        }
        if (journal.touched.has(changed)) path.add(changed);
      }
      // The top layer stays the last walk's until something may have changed it.
      const lastLayer = last.scope.topLayer;
      const topLayer = journal.topLayerMoved || journal.removedElements && lastLayer.size > 0 ? null : lastLayer;
      return { walk: last, dirty: journal.dirty, touched: journal.touched, path, children, x, y, topLayer };
    }

    // Drops the walk that runs and all it holds.
    mirrorAbandon() {
      this.early = null;
      if (this.pending !== null) this.pending.drop();
      this.pending = null;
      this.walk = null;
    }

    // Resolves once the journal has something to take, with the count of changes by then, or
    // with -1 after ms or after a change that may have moved the viewport. The program takes
    // the changes itself afterwards, so a wait it gives up on loses nothing; a later count equal
    // to this one tells that nothing changed since. With walk, the arguments of a mirrorStart,
    // that walk begins at the change, in the task that made it (see walkEarly).
    changesWait(ms, walk) {
      const journal = this.journal;
      // With no journal nothing ends the wait early: it lasts the whole time.
      if (journal !== null && journal.hasNews()) return journal.layout ? -1 : this.changeCount;
      this.endWait(-1);
      return new Promise(resolve => {
        const timer = call(setTimer, window, () => this.endWait(-1), ms);
        this.walkAtChange = Array.isArray(walk) && walk.length === 5 ? walk : null;
        this.waiter = count => {
          call(clearTimer, window, timer);
          resolve(count);
        };
      });
    }

    // A journal saw a change. One that may have moved the viewport (a scroll, a resize) ends
    // the wait with no count: a picture started then would guess the viewport wrong. The walk
    // asked for begins once the journal has noted all of the change, after the wait's answer
    // is on its way.
    wake(inPlace = true) {
      ++this.changeCount;
      const walk = this.waiter !== null ? this.walkAtChange : null;
      this.endWait(inPlace ? this.changeCount : -1);
      if (inPlace && walk !== null) call(queueMicrotaskOf, window, () => this.walkEarly(walk));
    }

    endWait(count) {
      this.walkAtChange = null;
      const waiter = this.waiter;
      this.waiter = null;
      if (waiter !== null) waiter(count);
    }

    // What the page changed since the last done walk started, or since the last take:
    // [changes seen, boxes may have moved, the tab is hidden, the first changes as [ms, kind,
    // node number, label, what], the last mirror's node count, ms now, no walk was done (a new
    // probe), the count of changes so far (see changesWait)]. Times count from the probe's start.
    changesTake() {
      const hidden = call(visibilityStateOf, document) === 'hidden';
      const taken = this.journal === null ? [0, false, []] : this.journal.take();
      return [taken[0], taken[1], hidden, taken[2], this.table.length - 1, Math.round(performance.now() - this.epoch),
        this.journal === null, this.changeCount];
    }

    // Drops the walk and the journal, and with them everything the probe watches in the page.
    changesStop() {
      this.mirrorAbandon();
      if (this.journal !== null) this.journal.drop();
      this.journal = null;
    }

    // A node's number in the last mirror, or one past it that stays the node's until the next
    // walk is done.
    numberOf(node) {
      const id = this.idOf(node);
      if (id >= 0) return id;
      let fresh = this.freshIds.get(node);
      if (fresh === undefined) this.freshIds.set(node, fresh = this.nextFresh++);
      return fresh;
    }

    // The last mirror's node identifier of a node the browser names (0 for none, -1 for a node
    // not in it): a text node stands for its element.
    idOf(node) {
      if (!node) return 0;
      try {
        if (call(nodeTypeOf, node) === 3) node = call(parentNodeOf, node);
      } catch (e) {
        return -1;  // no node of page script's: generated content
      }
      return this.table.numberOf(node);
    }

    // The live node behind a node identifier of the last mirror, or null.
    element(idText) {
      if (typeof idText !== 'string' || !/^[1-9][0-9]{0,9}$/.test(idText)) return null;
      const node = this.table.node(Number(idText));
      return node === undefined ? null : node;
    }

    // The live node's reads and writes, for a node that element() gave: an element, a comment
    // or a frame's document.
    tagName(node) {
      if (node instanceof Generated) return '::' + node.type;
      const type = call(nodeTypeOf, node);
      if (type === 8) return 'COMMENT';
      if (type === 9) return '#document';
      if (type === 11) return '#shadow-root';
      return call(tagNameOf, node);
    }

    outerHtml(node) {
      markupOf(node);
      if (call(nodeTypeOf, node) === 8) return '<!--' + call(dataOf, node) + '-->';
      return outerHtmlOf.get.call(markupOwner(node));
    }

    // Short CSS selectors that each match exactly one element: the node's within its document
    // or shadow root, after those of the hosts and frames around it, outermost first. Generated
    // content is named by its owner's selector and its pseudo-element.
    selectorPath(node) {
      const pseudo = node instanceof Generated ? '::' + node.type : '';
      if (!pseudo && call(nodeTypeOf, node) === 11) throw new Error('A shadow root has no selector of its own');
      let element = pseudo ? node.owner : markupOwner(node);
      if (call(nodeTypeOf, element) !== 1) throw new Error('Only elements have a selector');
      const path = [];
      while (element) {
        const root = call(rootNodeOf, element);
        path.unshift(uniqueSelector(element, root));
        element = call(nodeTypeOf, root) === 11 ? call(shadowHostOf, root) : frameElementOf(root);
      }
      path[path.length - 1] += pseudo;
      return path;
    }

    innerHtml(node) {
      markupOf(node);
      if (call(nodeTypeOf, node) === 8) return call(dataOf, node);
      return innerHtmlOf.get.call(markupOwner(node));
    }

    text(node) {
      if (node instanceof Generated) return '';
      if (call(nodeTypeOf, node) === 8) return call(dataOf, node);
      if (hasOwnText(node)) return node.text;
      return textContentOf.get.call(node) || '';
    }

    // What the browser's DOM domain edits, so that its history can undo the edit: the node
    // that stands for this one's markup.
    editTarget(node) {
      markupOf(node);
      return markupOwner(node);
    }

    // The node whose markup shows whether the page touched an edit since: the edited node, or
    // its parent when the edit replaces the node itself.
    editWitness(node, replaces) {
      const target = this.editTarget(node);
      if (!replaces) return target;
      const parent = call(parentNodeOf, target);
      if (!parent || call(nodeTypeOf, parent) === 9) {
        throw new Error("This element's parent is of type '#document', which is not an element node.");
      }
      return parent;
    }

    witnessHtml(node) {
      const type = call(nodeTypeOf, node);
      if (type === 8) return '<!--' + call(dataOf, node) + '-->';
      if (type === 9) return outerHtmlOf.get.call(call(documentElementOf, node));
      if (type === 11) return shadowInnerHtmlOf.get.call(node);
      return outerHtmlOf.get.call(node);
    }

    // The element's outer HTML with its content replaced by html, or by text: given to the
    // browser in place of the element, it keeps the element itself (its start tag is the same).
    withContent(node, content, asText) {
      const element = this.editTarget(node);
      const outer = outerHtmlOf.get.call(element);
      const inner = innerHtmlOf.get.call(element);
      const close = outer.lastIndexOf('</');
      const open = close - inner.length;
      if (close < 0 || open < 0 || outer.slice(open, close) !== inner) {
        throw new Error('This element has no content to replace');
      }
      let html = String(content);
      if (asText) {
        // An inert document's element of the same name writes the text as that element would.
        const scratch = inertDocument().createElement(call(localNameOf, element));
        textContentOf.set.call(scratch, html);
        html = innerHtmlOf.get.call(scratch);
      }
      return outer.slice(0, open) + html + outer.slice(close);
    }

    // The inline style text with one property set, removed (an empty value) or refused:
    // { text } or { refusal }. The element itself is left as it is.
    styleWith(node, name, value) {
      if (node instanceof Generated) return { refusal: 'Generated content has no inline style' };
      if (call(nodeTypeOf, node) !== 1 || !node.style) return { refusal: 'This node has no inline style' };
      const prop = cssName(name);
      const important = /\s*!\s*important\s*$/i;
      const priority = important.test(value) ? 'important' : '';
      const bare = value.replace(important, '');
      const documentOf = call(ownerDocumentOf, node);
      const style = documentOf.createElement('div').style;
      style.cssText = node.style.cssText;
      if (bare.trim() === '') {
        style.removeProperty(prop);
        return { text: style.cssText };
      }
      const trial = documentOf.createElement('div').style;
      trial.setProperty(prop, bare, priority);
      if (trial.getPropertyValue(prop) === '') return { refusal: 'The browser rejected the style ' + prop + ': ' + value };
      style.setProperty(prop, bare, priority);
      return { text: style.cssText };
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
      if (element instanceof Generated) {
        style = computedStyleFor(call(ownerDocumentOf, element.owner))(element.owner, '::' + element.type);
      } else if (element && call(nodeTypeOf, element) === 1) {
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
